#include "platform/posix/OutputCheck.h"

#include <algorithm>

namespace win::posix {

std::chrono::nanoseconds NextOutputCheck(std::chrono::nanoseconds lineTime,
                                         std::chrono::nanoseconds previous, bool progressed) {
    const auto floor = std::max(lineTime, std::chrono::nanoseconds(100'000));
    if (progressed || previous == std::chrono::nanoseconds::zero())
        return std::min(floor, kLongestOutputCheck);
    return std::min(std::max(previous * 8, floor), kLongestOutputCheck);
}

} // namespace win::posix
