#include "support/GuiPump.h"

#include "base/GuiQueue.h"

#include <poll.h>

namespace tavrin::testing {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{gui_queue::WakeDescriptor(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) == 1)
            gui_queue::RunPending();
    }
    return true;
}

} // namespace tavrin::testing
