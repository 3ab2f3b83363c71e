#include "platform/virtual/VirtualDeviceImpl.h"

#include "platform/driver/DcbRules.h"
#include "platform/virtual/VirtualComm.h"

namespace win::virt {

std::shared_ptr<CommDevice> VirtualDeviceImpl::Open(const OpenRequest& request, DWORD& error) {
    std::lock_guard guard(lock_);
    JournalEntry entry{};
    entry.call = Call::CreateFile;
    entry.text = request.fileName;
    entry.arg1 = request.desiredAccess;
    entry.arg2 = request.shareMode;
    entry.arg3 = request.creationDisposition;
    entry.arg4 = request.flagsAndAttributes;
    error = TakeFailureLocked(Call::CreateFile);
    if (error == ERROR_SUCCESS && unplugged_)
        error = ERROR_FILE_NOT_FOUND;
    // A serial port is opened by one handle at a time, whatever share mode is asked.
    if (error == ERROR_SUCCESS && port_.lock())
        error = ERROR_ACCESS_DENIED;
    std::shared_ptr<VirtualComm> port;
    if (error == ERROR_SUCCESS) {
        port = std::make_shared<VirtualComm>(shared_from_this(), request.Overlapped(), lines_);
        port_ = port;
        activeDcb_ = DefaultDcb();
        lastImmediate_.reset();
    }
    entry.result = port ? TRUE : FALSE;
    entry.error = error;
    if (journalling_)
        journal_.push_back(entry);
    return port;
}

DWORD VirtualDeviceImpl::TakeFailureLocked(Call call) {
    auto found = failures_.find(call);
    if (found == failures_.end())
        return ERROR_SUCCESS;
    const DWORD error = found->second.error;
    if (found->second.times > 0 && --found->second.times == 0)
        failures_.erase(found);
    return error;
}

DWORD VirtualDeviceImpl::TakeFailure(Call call) {
    std::lock_guard guard(lock_);
    return TakeFailureLocked(call);
}

void VirtualDeviceImpl::Record(const JournalEntry& entry) {
    std::lock_guard guard(lock_);
    if (journalling_)
        journal_.push_back(entry);
    if (entry.call == Call::WaitCommEvent)
        ++waitCommEventCalls_;
}

void VirtualDeviceImpl::Closed(const VirtualComm* port) {
    std::lock_guard guard(lock_);
    if (port_.lock().get() == port)
        port_.reset();
}

void VirtualDeviceImpl::NoteDcbPassed(const DCB& dcb) {
    std::lock_guard guard(lock_);
    lastDcb_ = dcb;
}

void VirtualDeviceImpl::NoteTimeoutsPassed(const COMMTIMEOUTS& timeouts) {
    std::lock_guard guard(lock_);
    lastTimeouts_ = timeouts;
}

void VirtualDeviceImpl::StateApplied(const DCB& dcb) {
    std::lock_guard guard(lock_);
    activeDcb_ = dcb;
}

std::chrono::steady_clock::time_point VirtualDeviceImpl::NowLocked() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

DWORD VirtualDeviceImpl::TransmitImmediate(char ch) {
    std::lock_guard guard(lock_);
    const auto now = NowLocked();
    const auto perChar = charTime_.count() != 0 ? charTime_ : CharacterTime(activeDcb_);
    if (lastImmediate_ && now < *lastImmediate_ + perChar)
        return VirtualDevice::kTransmitBusyError;
    lastImmediate_ = now;
    if (captureOutput_)
        sent_.push_back({static_cast<std::uint8_t>(ch), now});
    if (tap_)
        tap_(static_cast<std::uint8_t>(ch), activeDcb_, now);
    return ERROR_SUCCESS;
}

void VirtualDeviceImpl::Capture(const std::uint8_t* bytes, DWORD count) {
    std::lock_guard guard(lock_);
    const auto now = NowLocked();
    for (DWORD i = 0; i < count; ++i) {
        if (captureOutput_)
            sent_.push_back({bytes[i], now});
        if (tap_)
            tap_(bytes[i], activeDcb_, now);
    }
}

std::shared_ptr<VirtualComm> VirtualDeviceImpl::OpenPort() const {
    std::lock_guard guard(lock_);
    return port_.lock();
}

void VirtualDeviceImpl::SetLine(DWORD msBit, bool on) {
    std::lock_guard guard(lock_);
    lines_ = on ? (lines_ | msBit) : (lines_ & ~msBit);
    if (auto port = port_.lock())
        port->SetModemLines(lines_);
}

void VirtualDeviceImpl::Ring() {
    std::lock_guard guard(lock_);
    if (auto port = port_.lock()) {
        port->SetModemLines(lines_ | MS_RING_ON);
        port->SetModemLines(lines_);
    }
}

void VirtualDeviceImpl::Inject(const std::string& bytes) {
    std::lock_guard guard(lock_);
    if (auto port = port_.lock())
        port->Receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void VirtualDeviceImpl::InjectErrors(DWORD ceBits) {
    std::lock_guard guard(lock_);
    if (auto port = port_.lock())
        port->ReceiveErrors(ceBits);
}

void VirtualDeviceImpl::TxEmpty() {
    std::lock_guard guard(lock_);
    if (auto port = port_.lock())
        port->RaiseEvents(EV_TXEMPTY);
}

std::string VirtualDeviceImpl::Output() const {
    std::lock_guard guard(lock_);
    std::string out;
    for (const SentByte& sent : sent_)
        out.push_back(static_cast<char>(sent.byte));
    return out;
}

std::vector<SentByte> VirtualDeviceImpl::SentBytes() const {
    std::lock_guard guard(lock_);
    return sent_;
}

void VirtualDeviceImpl::ClearOutput() {
    std::lock_guard guard(lock_);
    sent_.clear();
}

void VirtualDeviceImpl::SetOutputTap(VirtualDevice::OutputTap tap) {
    std::lock_guard guard(lock_);
    tap_ = std::move(tap);
}

void VirtualDeviceImpl::SetCaptureOutput(bool on) {
    std::lock_guard guard(lock_);
    captureOutput_ = on;
}

DCB VirtualDeviceImpl::ActiveDcb() const {
    std::lock_guard guard(lock_);
    return activeDcb_;
}

std::vector<JournalEntry> VirtualDeviceImpl::Journal() const {
    std::lock_guard guard(lock_);
    return journal_;
}

void VirtualDeviceImpl::SetJournalling(bool on) {
    std::lock_guard guard(lock_);
    journalling_ = on;
}

void VirtualDeviceImpl::ClearJournal() {
    std::lock_guard guard(lock_);
    journal_.clear();
}

bool VirtualDeviceImpl::IsOpen() const {
    return OpenPort() != nullptr;
}

DCB VirtualDeviceImpl::LastDcb() const {
    std::lock_guard guard(lock_);
    return lastDcb_;
}

COMMTIMEOUTS VirtualDeviceImpl::LastTimeouts() const {
    std::lock_guard guard(lock_);
    return lastTimeouts_;
}

void VirtualDeviceImpl::FailNext(Call call, DWORD error, int times) {
    std::lock_guard guard(lock_);
    if (times == 0)
        failures_.erase(call);
    else
        failures_[call] = {error, times};
}

void VirtualDeviceImpl::ClearFailures() {
    std::lock_guard guard(lock_);
    failures_.clear();
}

void VirtualDeviceImpl::SetCharTime(std::chrono::nanoseconds perChar) {
    std::lock_guard guard(lock_);
    charTime_ = perChar;
}

void VirtualDeviceImpl::SetClock(VirtualDevice::Clock clock) {
    std::lock_guard guard(lock_);
    clock_ = std::move(clock);
}

void VirtualDeviceImpl::Unplug() {
    std::lock_guard guard(lock_);
    unplugged_ = true;
    if (auto port = port_.lock())
        port->Disconnect();
    port_.reset();
}

void VirtualDeviceImpl::Replug() {
    std::lock_guard guard(lock_);
    unplugged_ = false;
}

std::uint64_t VirtualDeviceImpl::WaitCommEventCalls() const {
    std::lock_guard guard(lock_);
    return waitCommEventCalls_;
}

} // namespace win::virt
