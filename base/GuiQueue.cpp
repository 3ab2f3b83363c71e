#include "base/GuiQueue.h"

#include "base/Application.h"
#include "platform/winapi/Messages.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace tavrin::gui_queue {

namespace {

// One synchronous call, waiting for the GUI thread. It lives on the caller's stack: the
// caller does not return before `done`.
struct PendingCall {
    const std::function<void()>* work;
    std::thread::id caller;
    std::exception_ptr error;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

std::atomic<std::thread::id> guiThread{};
// The GUI thread's sent-message descriptor doubles as the wake-up for synchronous calls, so
// the binding watches a single descriptor for both kinds of work.
std::atomic<int> wakeFd{-1};

std::mutex queueMutex;
std::deque<PendingCall*> calls;

// The calls the GUI thread is running, innermost first (work may pump and run others). A
// released call's entry is emptied: its caller may have returned and freed it.
struct RunningCall {
    PendingCall* call;
    RunningCall* outer;
};
thread_local RunningCall* running = nullptr;

void Finish(PendingCall& call, std::exception_ptr error) {
    std::lock_guard lock(call.mutex);
    // Moved, not copied: the caller must hold the only reference, as the reference count
    // of an exception is invisible to the thread checker.
    call.error = std::move(error);
    call.done = true;
    call.finished.notify_all();
}

PendingCall* NextCall() {
    std::lock_guard lock(queueMutex);
    if (calls.empty())
        return nullptr;
    PendingCall* call = calls.front();
    calls.pop_front();
    return call;
}

void Wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd.load(), &one, sizeof one);
}

// Waits without a timeout for any of `fds`; interruptions by signals are not wake-ups.
void PollForever(pollfd* fds, nfds_t count) {
    while (poll(fds, count, -1) < 0 && errno == EINTR) {
    }
}

} // namespace

void SetGuiThread() {
    std::thread::id none{};
    if (guiThread.compare_exchange_strong(none, std::this_thread::get_id()))
        wakeFd.store(win::SentMessageDescriptor());
}

bool IsGuiThread() {
    return guiThread.load() == std::this_thread::get_id();
}

int WakeDescriptor() {
    return wakeFd.load();
}

bool RunPending() {
    if (!IsGuiThread())
        return false;
    bool any = false;
    // Sent messages first: this also clears the descriptor, before the calls are looked at,
    // so a call queued from now on signals it again.
    for (;;) {
        try {
            any = win::DeliverSentMessages() || any;
            break;
        } catch (...) {
            any = true;
            Application::Instance().HandleCurrentException();
        }
    }
    while (PendingCall* call = NextCall()) {
        any = true;
        // A copy: a caller let go early takes its own function with it when it returns.
        const std::function<void()> work = *call->work;
        RunningCall frame{call, running};
        running = &frame;
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        running = frame.outer;
        // Released callers have gone on already; an error raised after that has nobody
        // left to go to.
        if (frame.call)
            Finish(*frame.call, std::move(error));
    }
    return any;
}

void Call(const std::function<void()>& work) {
    if (guiThread.load() == std::thread::id{} || IsGuiThread()) {
        work();
        return;
    }
    PendingCall call;
    call.work = &work;
    call.caller = std::this_thread::get_id();
    {
        std::lock_guard lock(queueMutex);
        calls.push_back(&call);
        Wake();
    }
    std::unique_lock lock(call.mutex);
    call.finished.wait(lock, [&] { return call.done; });
    if (call.error)
        std::rethrow_exception(call.error);
}

bool ReleaseCaller(std::thread::id caller) {
    if (!IsGuiThread())
        return false;
    for (RunningCall* frame = running; frame; frame = frame->outer) {
        if (frame->call && frame->call->caller == caller) {
            PendingCall* call = std::exchange(frame->call, nullptr);
            Finish(*call, nullptr);
            return true;
        }
    }
    return false;
}

void WaitServing(int fd) {
    if (!IsGuiThread()) {
        pollfd one{fd, POLLIN, 0};
        PollForever(&one, 1);
        return;
    }
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd.load(), POLLIN, 0}};
        PollForever(fds, 2);
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents != 0)
            RunPending();
    }
}

} // namespace tavrin::gui_queue
