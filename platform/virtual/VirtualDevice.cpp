// The registry of virtual devices and the test-facing object.

#include "platform/virtual/VirtualDevice.h"

#include "platform/virtual/VirtualComm.h"
#include "platform/virtual/VirtualDeviceImpl.h"
#include "platform/virtual/VirtualOpen.h"

#include <cctype>
#include <map>
#include <mutex>

namespace win::virt {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<VirtualDevice>> devices;
    std::map<std::string, std::pair<std::string, std::string>> listed; // key: name, description
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Windows device names ignore letter case.
std::string Key(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

} // namespace

const char* CallName(Call call) {
    switch (call) {
    case Call::CreateFile:
        return "CreateFile";
    case Call::CloseHandle:
        return "CloseHandle";
    case Call::SetupComm:
        return "SetupComm";
    case Call::GetCommState:
        return "GetCommState";
    case Call::SetCommState:
        return "SetCommState";
    case Call::GetCommTimeouts:
        return "GetCommTimeouts";
    case Call::SetCommTimeouts:
        return "SetCommTimeouts";
    case Call::ClearCommError:
        return "ClearCommError";
    case Call::GetCommModemStatus:
        return "GetCommModemStatus";
    case Call::SetCommMask:
        return "SetCommMask";
    case Call::GetCommMask:
        return "GetCommMask";
    case Call::WaitCommEvent:
        return "WaitCommEvent";
    case Call::PurgeComm:
        return "PurgeComm";
    case Call::TransmitCommChar:
        return "TransmitCommChar";
    case Call::ReadFile:
        return "ReadFile";
    case Call::WriteFile:
        return "WriteFile";
    case Call::GetOverlappedResult:
        return "GetOverlappedResult";
    }
    return "?";
}

static bool OpenRegistered(const OpenRequest& request, std::shared_ptr<CommDevice>& device,
                           DWORD& error) {
    std::shared_ptr<VirtualDevice> registered;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        auto found = registry.devices.find(Key(request.name));
        if (found == registry.devices.end())
            return false;
        registered = found->second.lock();
        if (!registered) {
            registry.devices.erase(found);
            return false;
        }
    }
    device = registered->Impl().Open(request, error);
    return true;
}

bool IsRegistered(const std::string& name) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto found = registry.devices.find(Key(name));
    return found != registry.devices.end() && !found->second.expired();
}

std::vector<backend::SerialDeviceEntry> ListedDevices() {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    std::vector<backend::SerialDeviceEntry> entries;
    for (const auto& [key, listing] : registry.listed) {
        auto found = registry.devices.find(key);
        if (found == registry.devices.end() || found->second.expired())
            continue;
        entries.push_back({"\\Device\\Virtual\\" + listing.first, listing.first, listing.second});
    }
    return entries;
}

void VirtualDevice::SetListed(const std::string& description) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (description.empty())
        registry.listed.erase(Key(impl_->Name()));
    else
        registry.listed[Key(impl_->Name())] = {impl_->Name(), description};
}

std::shared_ptr<VirtualDevice> VirtualDevice::Register(const std::string& name) {
    std::shared_ptr<VirtualDevice> device(new VirtualDevice(name));
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.devices[Key(name)] = device;
    return device;
}

void VirtualDevice::Unregister(const std::string& name) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.devices.erase(Key(name));
    registry.listed.erase(Key(name));
}

VirtualDevice::VirtualDevice(std::string name)
    : impl_(std::make_shared<VirtualDeviceImpl>(std::move(name))) {}

VirtualDevice::~VirtualDevice() {
    // The entry, if it is still ours, points at nothing now.
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto found = registry.devices.find(Key(impl_->Name()));
    if (found != registry.devices.end() && found->second.expired()) {
        registry.devices.erase(found);
        registry.listed.erase(Key(impl_->Name()));
    }
}

void VirtualDevice::SetCTS(bool on) {
    impl_->SetLine(MS_CTS_ON, on);
}
void VirtualDevice::SetDSR(bool on) {
    impl_->SetLine(MS_DSR_ON, on);
}
void VirtualDevice::SetRLSD(bool on) {
    impl_->SetLine(MS_RLSD_ON, on);
}
void VirtualDevice::Ring() {
    impl_->Ring();
}
void VirtualDevice::Inject(const std::string& bytes) {
    impl_->Inject(bytes);
}
void VirtualDevice::InjectErrors(DWORD ceBits) {
    impl_->InjectErrors(ceBits);
}
void VirtualDevice::TxEmpty() {
    impl_->TxEmpty();
}

std::string VirtualDevice::Output() const {
    return impl_->Output();
}
std::vector<SentByte> VirtualDevice::SentBytes() const {
    return impl_->SentBytes();
}
void VirtualDevice::SetOutputTap(OutputTap tap) {
    impl_->SetOutputTap(std::move(tap));
}
void VirtualDevice::SetCaptureOutput(bool on) {
    impl_->SetCaptureOutput(on);
}
DCB VirtualDevice::ActiveDcb() const {
    return impl_->ActiveDcb();
}
void VirtualDevice::ClearOutput() {
    impl_->ClearOutput();
}

std::vector<JournalEntry> VirtualDevice::Journal() const {
    return impl_->Journal();
}

std::vector<Call> VirtualDevice::Calls() const {
    std::vector<Call> calls;
    for (const JournalEntry& entry : impl_->Journal())
        calls.push_back(entry.call);
    return calls;
}

void VirtualDevice::SetJournalling(bool on) {
    impl_->SetJournalling(on);
}

void VirtualDevice::ClearJournal() {
    impl_->ClearJournal();
}
bool VirtualDevice::IsOpen() const {
    return impl_->IsOpen();
}
DCB VirtualDevice::LastDcb() const {
    return impl_->LastDcb();
}
COMMTIMEOUTS VirtualDevice::LastTimeouts() const {
    return impl_->LastTimeouts();
}

DWORD VirtualDevice::InQueueSize() const {
    auto port = impl_->OpenPort();
    return port ? port->InQueueSize() : 0;
}

DWORD VirtualDevice::EventMask() const {
    auto port = impl_->OpenPort();
    return port ? port->EventMask() : 0;
}

DWORD VirtualDevice::QueuedInput() const {
    auto port = impl_->OpenPort();
    return port ? port->QueuedInput() : 0;
}

void VirtualDevice::FailNext(Call call, DWORD error, int times) {
    impl_->FailNext(call, error, times);
}
void VirtualDevice::ClearFailures() {
    impl_->ClearFailures();
}
void VirtualDevice::SetCharTime(std::chrono::microseconds perChar) {
    impl_->SetCharTime(perChar);
}
void VirtualDevice::SetClock(Clock clock) {
    impl_->SetClock(std::move(clock));
}
void VirtualDevice::Unplug() {
    impl_->Unplug();
}
void VirtualDevice::Replug() {
    impl_->Replug();
}
std::uint64_t VirtualDevice::WaitCommEventCalls() const {
    return impl_->WaitCommEventCalls();
}

} // namespace win::virt

namespace win::backend {

bool OpenVirtualDevice(const OpenRequest& request, std::shared_ptr<CommDevice>& device,
                       DWORD& error) {
    return virt::OpenRegistered(request, device, error);
}

} // namespace win::backend
