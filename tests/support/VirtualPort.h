#pragma once

// A virtual serial device registered under a name that no other test in the process uses,
// and a closed port set to open it. Also makes the calling thread the GUI thread, the one
// that opens, closes and receives the port's notifications.

#include "platform/virtual/VirtualDevice.h"
#include "support/ProbePort.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tavrin::testing {

// A device name nothing is registered under yet ("tavrin-test-<pid>-<n>").
std::string UniqueDeviceName();

class VirtualPort {
public:
    VirtualPort();
    // The port goes first (closing the device if it is open), then the device.
    ~VirtualPort();
    VirtualPort(const VirtualPort&) = delete;
    VirtualPort& operator=(const VirtualPort&) = delete;

    const std::string& Name() const { return name_; }
    win::virt::VirtualDevice& Device() { return *device_; }
    ProbePort& Port() { return *port_; }

    // The journalled calls of the given kinds only, in the order they were made; the event
    // thread's own calls can then be left out of an order check.
    std::vector<win::virt::Call> CallsOf(std::initializer_list<win::virt::Call> kinds) const;
    // The calls that open, configure and close the device (CreateFile, SetupComm,
    // SetCommState, SetCommTimeouts, CloseHandle), in order.
    std::vector<win::virt::Call> DeviceCalls() const;
    // The journalled entries of one kind, with their arguments.
    std::vector<win::virt::JournalEntry> EntriesOf(win::virt::Call kind) const;

private:
    std::string name_;
    std::shared_ptr<win::virt::VirtualDevice> device_;
    std::unique_ptr<ProbePort> port_;
};

} // namespace tavrin::testing
