#include "support/VirtualPort.h"

#include "base/GuiQueue.h"

#include <algorithm>
#include <atomic>
#include <unistd.h>

namespace tavrin::testing {

std::string UniqueDeviceName() {
    static std::atomic<int> counter{0};
    return "tavrin-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

VirtualPort::VirtualPort()
    : name_(UniqueDeviceName()), device_(win::virt::VirtualDevice::Register(name_)),
      port_(std::make_unique<ProbePort>()) {
    gui_queue::SetGuiThread();
    port_->SetPort(name_);
}

VirtualPort::~VirtualPort() {
    port_.reset();
    win::virt::VirtualDevice::Unregister(name_);
}

std::vector<win::virt::Call>
VirtualPort::CallsOf(std::initializer_list<win::virt::Call> kinds) const {
    std::vector<win::virt::Call> calls;
    for (win::virt::Call call : device_->Calls()) {
        if (std::find(kinds.begin(), kinds.end(), call) != kinds.end())
            calls.push_back(call);
    }
    return calls;
}

std::vector<win::virt::Call> VirtualPort::DeviceCalls() const {
    using win::virt::Call;
    return CallsOf({Call::CreateFile, Call::SetupComm, Call::SetCommState, Call::SetCommTimeouts,
                    Call::CloseHandle});
}

std::vector<win::virt::JournalEntry> VirtualPort::EntriesOf(win::virt::Call kind) const {
    std::vector<win::virt::JournalEntry> entries;
    for (const win::virt::JournalEntry& entry : device_->Journal()) {
        if (entry.call == kind)
            entries.push_back(entry);
    }
    return entries;
}

} // namespace tavrin::testing
