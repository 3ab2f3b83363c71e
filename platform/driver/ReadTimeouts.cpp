#include "platform/driver/ReadTimeouts.h"

#include <algorithm>
#include <cstdint>

namespace win {

namespace {
// Multiplier times size can pass what a clock can add; past about 35 years a timeout is as
// good as none.
std::chrono::milliseconds Total(DWORD multiplier, DWORD toRead, DWORD constant) {
    constexpr std::uint64_t cap = std::uint64_t{1} << 40;
    std::uint64_t ms = std::uint64_t{multiplier} * toRead + constant;
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(ms, cap)));
}
} // namespace

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD toRead) {
    ReadPlan plan;
    const DWORD interval = t.ReadIntervalTimeout;
    const DWORD multiplier = t.ReadTotalTimeoutMultiplier;
    const DWORD constant = t.ReadTotalTimeoutConstant;
    if (interval == MAXDWORD) {
        if (multiplier == 0 && constant == 0) {
            plan.returnAtOnce = true;
        } else if (multiplier == MAXDWORD && constant != MAXDWORD) {
            plan.returnIfAnyQueued = true;
            plan.returnOnFirstByte = true;
            plan.total = std::chrono::milliseconds(constant);
        } else if (multiplier != MAXDWORD && constant != MAXDWORD) {
            plan.returnIfAnyQueued = true;
            plan.total = Total(multiplier, toRead, constant);
        }
        // Otherwise (constant MAXDWORD) no timer runs: the read waits for all its bytes.
        return plan;
    }
    if (multiplier != 0 || constant != 0)
        plan.total = Total(multiplier, toRead, constant);
    if (interval != 0)
        plan.interval = std::chrono::milliseconds(interval);
    return plan;
}

DWORD ValidateTimeouts(const COMMTIMEOUTS& t) {
    const bool refused = t.ReadIntervalTimeout == MAXDWORD &&
                         t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                         t.ReadTotalTimeoutConstant == MAXDWORD;
    return refused ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

} // namespace win
