#pragma once

// Situations in which a serial device will not open, made real: a pseudo-terminal of the
// test's own, and another program (Debian's python3) holding a device the way terminal
// programs do, with an exclusive flock.

#include <string>
#include <sys/types.h>

namespace tavrin::testing {

// A pseudo-terminal whose other side the test keeps open; Path() is the device to open.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    const std::string& Path() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

// /usr/bin/python3 opening `path` and holding an exclusive flock on it until destroyed.
class DeviceHolder {
public:
    explicit DeviceHolder(const std::string& path);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;
    // True once the lock is held (waited for with a deadline).
    bool Holding() const { return holding_; }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    bool holding_ = false;
};

} // namespace tavrin::testing
