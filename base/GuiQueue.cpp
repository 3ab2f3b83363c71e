// Placeholder: no thread queues work yet. The event engine replaces this file.
#include "base/GuiQueue.h"

#include <sys/eventfd.h>
#include <thread>

namespace tavrin::gui_queue {

namespace {
std::thread::id guiThread;
int wakeFd = -1;
} // namespace

void SetGuiThread() {
    if (guiThread == std::thread::id())
        guiThread = std::this_thread::get_id();
}

bool IsGuiThread() { return std::this_thread::get_id() == guiThread; }

int WakeDescriptor() {
    if (wakeFd < 0)
        wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return wakeFd;
}

bool RunPending() { return false; }

} // namespace tavrin::gui_queue
