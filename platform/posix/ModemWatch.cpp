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

ModemWatch::Device ModemWatch::Device::Of(int fd) {
    return {[fd](DWORD& msBits) { return ReadModemLines(fd, msBits); },
            [fd](ErrorCounts& counts) { return ReadErrorCounts(fd, counts); },
            [fd] { return WaitModemChange(fd); }};
}

ModemWatch::ModemWatch(int fd, Report report) : ModemWatch(Device::Of(fd), std::move(report)) {}

ModemWatch::ModemWatch(Device device, Report report)
    : device_(std::move(device)), report_(std::move(report)) {
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
        ErrorCounts before;
        const bool counted = device_.readCounts(before) == 0;
        DWORD lines = 0;
        if (device_.readLines(lines) != 0)
            break;
        report_(lines);
        ErrorCounts now;
        if (counted && device_.readCounts(now) == 0 && !now.SameLineChanges(before))
            continue;
        const int error = device_.waitChange();
        if (error != 0 && error != EINTR)
            break;
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    ended_.notify_all();
}

} // namespace win::posix
