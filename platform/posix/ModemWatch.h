#pragma once

// Modem-line changes cannot be polled: a thread of their own blocks in TIOCMIWAIT and reports
// the lines after each change. Stopping it interrupts the ioctl with a signal whose handler
// is installed without SA_RESTART, so the ioctl returns EINTR instead of resuming.

#include "platform/Win32.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace win::posix {

class ModemWatch {
public:
    using Report = std::function<void(DWORD msBits)>;

    // Reports the lines at once, then after each change, until stopped or until the device
    // cannot wait (a driver without TIOCMIWAIT, a device that went away).
    ModemWatch(int fd, Report report);
    ~ModemWatch();
    ModemWatch(const ModemWatch&) = delete;
    ModemWatch& operator=(const ModemWatch&) = delete;

private:
    void Run();

    const int fd_;
    const Report report_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool stop_ = false;
    bool running_ = true;
    pthread_t native_{};
    std::thread thread_;
};

} // namespace win::posix
