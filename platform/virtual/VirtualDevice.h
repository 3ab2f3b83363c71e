#pragma once

// In-memory serial devices for tests (and any host). A device registered under a name is
// what CreateFileA("\\.\<name>") opens, before any other name resolution. It behaves as a
// driver would: it validates what it is given, keeps an input queue, reports line events,
// and it records every call made on it so that tests can check order and arguments.

#include "platform/Win32.h"

#include <chrono>
#include <cstdint>
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
    DWORD result;      // TRUE/FALSE (CreateFile: TRUE when a handle was returned)
    DWORD error;       // the last error the call set, 0 on success
    DWORD arg1 = 0;    // SetupComm: in size; SetCommMask: mask; PurgeComm: flags;
                       // TransmitCommChar: the byte; ReadFile: bytes asked
    DWORD arg2 = 0;    // SetupComm: out size
    DCB dcb{};         // SetCommState: the block as passed
    COMMTIMEOUTS timeouts{}; // SetCommTimeouts: as passed
};

struct SentByte {
    std::uint8_t byte;
    std::chrono::steady_clock::time_point at; // when the byte was handed to the device
};

class VirtualDeviceImpl;

class VirtualDevice {
public:
    // Registers a device under `name` (replacing one of the same name) and returns it. The
    // device stays registered while a test holds the returned object or until Unregister.
    static std::shared_ptr<VirtualDevice> Register(const std::string& name);
    static void Unregister(const std::string& name);

    ~VirtualDevice();

    // --- The other end of the line -------------------------------------------------------
    // Modem lines as the device sees them (all off at start). Each change raises its event.
    void SetCTS(bool on);
    void SetDSR(bool on);
    void SetRLSD(bool on);
    void Ring(); // one ring indication (EV_RING); RING reads on only during the call
    // Bytes arriving from the line: queued (EV_RXCHAR, EV_RXFLAG for the DCB's EvtChar,
    // EV_RX80FULL past 80 percent of the SetupComm input size; beyond the size: CE_RXOVER).
    void Inject(const std::string& bytes);
    // Line errors (CE_* bits) as if the UART had seen them; raises EV_ERR (CE_BREAK also
    // EV_BREAK).
    void InjectErrors(DWORD ceBits);
    // Output buffer has drained (EV_TXEMPTY).
    void TxEmpty();

    // Everything written through TransmitCommChar/WriteFile, in order.
    std::string Output() const;
    std::vector<SentByte> SentBytes() const;
    void ClearOutput();

    // --- Inspection ----------------------------------------------------------------------
    std::vector<JournalEntry> Journal() const;
    std::vector<Call> Calls() const; // the journal's call kinds only
    void ClearJournal();
    bool IsOpen() const;
    DCB LastDcb() const;
    COMMTIMEOUTS LastTimeouts() const;
    DWORD InQueueSize() const;
    DWORD EventMask() const;
    DWORD QueuedInput() const; // bytes waiting (cbInQue)

    // --- Behaviour -----------------------------------------------------------------------
    // The next `times` calls of `call` fail with `error` (times < 0: every call from now on).
    void FailNext(Call call, DWORD error, int times = 1);
    void ClearFailures();
    // Time one character takes on the line; 0 (the default) computes it from the baud rate,
    // data, parity and stop bits of the last DCB. A TransmitCommChar inside that time after
    // the previous one fails with ERROR_GEN_FAILURE... see VirtualDevice.cpp for the code.
    void SetCharTime(std::chrono::microseconds perChar);
    // The device disappears: every later call fails (ERROR_DEVICE_NOT_CONNECTED... or
    // ERROR_INVALID_HANDLE? see the implementation), pending waits and reads complete with
    // an error, and a new open fails with ERROR_FILE_NOT_FOUND. Replug brings it back.
    void Unplug();
    void Replug();

    // Count of completed WaitCommEvent calls (lets tests check that no thread spins).
    std::uint64_t WaitCommEventCalls() const;

    VirtualDeviceImpl& Impl() { return *impl_; }

private:
    explicit VirtualDevice(std::string name);
    std::unique_ptr<VirtualDeviceImpl> impl_;
};

} // namespace win::virt
