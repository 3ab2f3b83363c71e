#include "platform/posix/ModemWatch.h"

#include "platform/posix/PosixLine.h"

#include <cerrno>
#include <chrono>
#include <csignal>

namespace win::posix {

namespace {

// A real-time signal no library here uses; its only purpose is to end a blocking ioctl.
int WakeSignal() {
    return SIGRTMIN + 6;
}

void IgnoreWake(int) {}

void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = IgnoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted ioctl must return
        ::sigaction(WakeSignal(), &action, nullptr);
    });
}

} // namespace

ModemWatch::ModemWatch(int fd, Report report) : fd_(fd), report_(std::move(report)) {
    InstallWakeHandler();
    std::unique_lock lock(mutex_);
    thread_ = std::thread(&ModemWatch::Run, this);
    native_ = thread_.native_handle();
}

ModemWatch::~ModemWatch() {
    {
        std::unique_lock lock(mutex_);
        stop_ = true;
        // The signal can land just before the thread enters the ioctl and be lost, so it
        // is sent again until the thread has seen the stop; each round blocks on the
        // thread's end for a while.
        while (running_) {
            ::pthread_kill(native_, WakeSignal());
            ended_.wait_for(lock, std::chrono::milliseconds(20), [&] { return !running_; });
        }
    }
    thread_.join();
}

void ModemWatch::Run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                break;
        }
        DWORD lines = 0;
        if (ReadModemLines(fd_, lines) != 0)
            break;
        report_(lines);
        const int error = WaitModemChange(fd_);
        if (error != 0 && error != EINTR)
            break;
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    ended_.notify_all();
}

} // namespace win::posix
