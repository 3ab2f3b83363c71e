#pragma once

// Modem-line changes cannot be polled: a thread of their own blocks in TIOCMIWAIT and reports
// the lines after each change. Stopping it interrupts the ioctl with a signal whose handler
// is installed without SA_RESTART, so the ioctl returns EINTR instead of resuming.
//
// TIOCMIWAIT only sees changes from the moment it is entered; one that comes while the lines
// are read and reported would be missed until the next. The driver's interrupt counters
// show it: when they moved since the lines were read, the lines are read again instead of
// waiting.

#include "platform/posix/PosixLine.h"
#include "platform/winapi/Win32.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace win::posix {

class ModemWatch {
public:
    using Report = std::function<void(DWORD msBits)>;

    // The three calls it makes (each 0 or an errno); a device's ioctls unless given.
    struct Device {
        std::function<int(DWORD& msBits)> readLines;
        std::function<int(ErrorCounts& counts)> readCounts;
        std::function<int()> waitChange;
        static Device Of(int fd);
    };

    // Reports the lines at once, then after each change, until stopped or until the device
    // cannot wait (a driver without TIOCMIWAIT, a device that went away).
    ModemWatch(int fd, Report report);
    ModemWatch(Device device, Report report);
    ~ModemWatch();
    ModemWatch(const ModemWatch&) = delete;
    ModemWatch& operator=(const ModemWatch&) = delete;

private:
    void Run();

    const Device device_;
    const Report report_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool stop_ = false;
    bool running_ = true;
    pthread_t native_{};
    std::thread thread_;
};

} // namespace win::posix
