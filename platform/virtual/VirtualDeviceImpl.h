#pragma once

// The state of one virtual device that outlives its opens: the lines, the journal, the
// captured output, injected failures, pacing. The open handle (VirtualComm) is a driver of
// its own and reaches this through the calls below.
//
// Lock order: this object's lock may be held while calling into the open handle's driver,
// never the other way round (the driver calls its hooks without its lock).

#include "platform/virtual/VirtualDevice.h"
#include "platform/winapi/CommDevice.h"

#include <map>
#include <mutex>
#include <optional>

namespace win::virt {

class VirtualComm;

class VirtualDeviceImpl : public std::enable_shared_from_this<VirtualDeviceImpl> {
public:
    explicit VirtualDeviceImpl(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    // --- From CreateFileA and the open handle ---------------------------------------------
    std::shared_ptr<CommDevice> Open(const OpenRequest& request, DWORD& error);
    // The injected failure for this call, or ERROR_SUCCESS.
    DWORD TakeFailure(Call call);
    void Record(const JournalEntry& entry);
    void Closed(const VirtualComm* port);
    void NoteDcbPassed(const DCB& dcb);
    void NoteTimeoutsPassed(const COMMTIMEOUTS& timeouts);
    void StateApplied(const DCB& dcb);
    DWORD TransmitImmediate(char ch);
    void Capture(const std::uint8_t* bytes, DWORD count);

    // --- The test's side (VirtualDevice forwards here) ------------------------------------
    void SetLine(DWORD msBit, bool on);
    void Ring();
    void Inject(const std::string& bytes);
    void InjectErrors(DWORD ceBits);
    void TxEmpty();
    std::string Output() const;
    std::vector<SentByte> SentBytes() const;
    void ClearOutput();
    void SetOutputTap(VirtualDevice::OutputTap tap);
    void SetCaptureOutput(bool on);
    DCB ActiveDcb() const;
    std::vector<JournalEntry> Journal() const;
    void ClearJournal();
    void SetJournalling(bool on);
    bool IsOpen() const;
    DCB LastDcb() const;
    COMMTIMEOUTS LastTimeouts() const;
    std::shared_ptr<VirtualComm> OpenPort() const;
    void FailNext(Call call, DWORD error, int times);
    void ClearFailures();
    void SetCharTime(std::chrono::nanoseconds perChar);
    void SetClock(VirtualDevice::Clock clock);
    void Unplug();
    void Replug();
    std::uint64_t WaitCommEventCalls() const;

private:
    struct Failure {
        DWORD error;
        int times; // < 0: for ever
    };

    DWORD TakeFailureLocked(Call call);
    std::chrono::steady_clock::time_point NowLocked() const;

    const std::string name_;
    mutable std::mutex lock_;
    std::weak_ptr<VirtualComm> port_;
    bool unplugged_ = false;
    DWORD lines_ = 0;
    std::vector<JournalEntry> journal_;
    std::uint64_t waitCommEventCalls_ = 0;
    std::vector<SentByte> sent_;
    std::map<Call, Failure> failures_;
    std::chrono::nanoseconds charTime_{0};
    VirtualDevice::Clock clock_;
    VirtualDevice::OutputTap tap_;
    bool captureOutput_ = true;
    bool journalling_ = true;
    std::optional<std::chrono::steady_clock::time_point> lastImmediate_;
    DCB activeDcb_{};
    DCB lastDcb_{};
    COMMTIMEOUTS lastTimeouts_{};
};

} // namespace win::virt
