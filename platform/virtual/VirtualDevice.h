#pragma once

// In-memory serial devices for tests (and any host). A device registered under a name is
// what CreateFileA("\\.\<name>") opens, before any other name resolution; letter case does
// not count, as with Windows device names. It behaves as a driver would: it validates what
// it is given, keeps an input queue, reports line events, and it records every call made on
// it so that tests can check order and arguments.

#include "platform/winapi/Win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win::virt {

// The calls a device journals (and in which a failure can be injected).
enum class Call : std::uint8_t {
    CreateFile,
    CloseHandle,
    SetupComm,
    GetCommState,
    SetCommState,
    GetCommTimeouts,
    SetCommTimeouts,
    ClearCommError,
    GetCommModemStatus,
    SetCommMask,
    GetCommMask,
    WaitCommEvent,
    PurgeComm,
    TransmitCommChar,
    ReadFile,
    WriteFile,
    GetOverlappedResult,
};
const char* CallName(Call call);

// One journalled call with the arguments it was given.
struct JournalEntry {
    Call call;
    DWORD result; // TRUE/FALSE (CreateFile: TRUE when a handle was returned)
    DWORD error;  // the last error the call set, 0 on success (997 for a pending transfer)
    // CreateFile: desired access; SetupComm: in size; SetCommMask: mask; PurgeComm: flags;
    // TransmitCommChar: the byte; ReadFile, WriteFile: bytes asked; GetOverlappedResult:
    // the wait flag; ClearCommError: the errors returned; GetCommModemStatus: the status
    // returned; WaitCommEvent: the events returned when it completed at once.
    DWORD arg1 = 0;
    // CreateFile: share mode; SetupComm: out size; ReadFile, WriteFile, GetOverlappedResult:
    // bytes moved at once; ClearCommError: cbInQue.
    DWORD arg2 = 0;
    DWORD arg3 = 0;          // CreateFile: creation disposition
    DWORD arg4 = 0;          // CreateFile: flags and attributes
    DCB dcb{};               // SetCommState: the block as passed
    COMMTIMEOUTS timeouts{}; // SetCommTimeouts: as passed
    std::string text;        // CreateFile: the file name as passed
    bool overlapped = false; // ReadFile, WriteFile, WaitCommEvent: an OVERLAPPED was given
};

struct SentByte {
    std::uint8_t byte;
    std::chrono::steady_clock::time_point at; // when the byte was handed to the device
};

class VirtualDeviceImpl;

class VirtualDevice {
public:
    // TransmitCommChar while the previous character is still leaving fails with this code:
    // the Windows serial driver refuses a second immediate character with an invalid-
    // parameter status while one is in progress.
    static constexpr DWORD kTransmitBusyError = ERROR_INVALID_PARAMETER;
    // After Unplug every call on a handle of the device fails with ERROR_BAD_COMMAND, what
    // Windows reports for a USB serial adapter that was pulled out; transfers and waits
    // pending at that moment end with ERROR_OPERATION_ABORTED; CloseHandle still works;
    // opening fails with ERROR_FILE_NOT_FOUND until Replug.
    static constexpr DWORD kUnpluggedError = ERROR_BAD_COMMAND;

    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Registers a device under `name` (replacing one of the same name) and returns it. The
    // device stays registered while a test holds the returned object or until Unregister.
    // An open handle keeps working after either.
    static std::shared_ptr<VirtualDevice> Register(const std::string& name);
    static void Unregister(const std::string& name);

    ~VirtualDevice();
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    // --- The other end of the line -------------------------------------------------------
    // Modem lines as the device sees them (all off at start). Each change raises its event.
    // The lines are kept while the device is closed and read by the next open.
    void SetCTS(bool on);
    void SetDSR(bool on);
    void SetRLSD(bool on);
    void Ring(); // one ring indication (EV_RING); RING reads on only during the call
    // Bytes arriving from the line: queued (EV_RXCHAR, EV_RXFLAG for the DCB's EvtChar,
    // EV_RX80FULL from 80 percent of the SetupComm input size; beyond the size: CE_RXOVER
    // and EV_ERR). Bytes sent while the device is closed are lost, as on a real line.
    void Inject(const std::string& bytes);
    // Line errors (CE_* bits) as if the UART had seen them; raises EV_ERR (CE_BREAK also
    // EV_BREAK).
    void InjectErrors(DWORD ceBits);
    // Output buffer has drained (EV_TXEMPTY). The device never raises it by itself, so
    // that tests decide when it happens.
    void TxEmpty();

    // Called for every byte written through TransmitCommChar/WriteFile, with the control
    // block the open handle runs at and the time it was handed over, so that a model of the
    // other end (a simulated board) can follow the line. It runs inside the device's own
    // lock: it must not call the device. Null removes it.
    using OutputTap = std::function<void(std::uint8_t byte, const DCB& dcb,
                                         std::chrono::steady_clock::time_point at)>;
    void SetOutputTap(OutputTap tap);
    // Whether Output and SentBytes keep what is written (on by default); a device that
    // runs for a whole session behind a tap turns it off, so memory stays bounded.
    void SetCaptureOutput(bool on);
    // The control block the open handle runs at (the default block while closed).
    DCB ActiveDcb() const;

    // Everything written through TransmitCommChar/WriteFile, in order.
    std::string Output() const;
    std::vector<SentByte> SentBytes() const;
    void ClearOutput();

    // --- Listing -------------------------------------------------------------------------
    // A device that users may pick: it joins the system's serial devices in the hardware
    // map (HARDWARE\DEVICEMAP\SERIALCOMM) under its own name, with `description` as what
    // it is. Devices are not listed unless they ask (tests' devices never are); an empty
    // description stops the listing.
    void SetListed(const std::string& description);

    // --- Inspection ----------------------------------------------------------------------
    std::vector<JournalEntry> Journal() const;
    std::vector<Call> Calls() const; // the journal's call kinds only
    // Whether calls are journalled (on by default); off for a device that serves a whole
    // session, so memory stays bounded.
    void SetJournalling(bool on);
    void ClearJournal();
    bool IsOpen() const;
    // The last block given to SetCommState, as passed (also when it was refused); all zero
    // before the first.
    DCB LastDcb() const;
    // The last timeouts given to SetCommTimeouts, as passed.
    COMMTIMEOUTS LastTimeouts() const;
    // These three read the open handle's driver; 0 while the device is closed.
    DWORD InQueueSize() const;
    DWORD EventMask() const;
    DWORD QueuedInput() const; // bytes waiting (cbInQue)

    // --- Behaviour -----------------------------------------------------------------------
    // The next `times` calls of `call` fail with `error` (times < 0: every call from now
    // on). A failing call has no other effect: the device is as if it had not been called.
    void FailNext(Call call, DWORD error, int times = 1);
    void ClearFailures();
    // Time one character takes on the line; 0 (the default) computes it from the baud
    // rate, data, parity and stop bits of the device's control block. A TransmitCommChar
    // inside that time after the previous one fails with kTransmitBusyError.
    void SetCharTime(std::chrono::microseconds perChar);
    // The clock for transmit pacing and SentBytes timestamps (null: the steady clock), so
    // that tests can step time instead of waiting for it.
    void SetClock(Clock clock);
    // The device disappears (see kUnpluggedError). Replug brings it back.
    void Unplug();
    void Replug();

    // Count of WaitCommEvent calls made on the device (lets tests check that no thread
    // spins).
    std::uint64_t WaitCommEventCalls() const;

    VirtualDeviceImpl& Impl() { return *impl_; }

private:
    explicit VirtualDevice(std::string name);
    std::shared_ptr<VirtualDeviceImpl> impl_;
};

} // namespace win::virt
