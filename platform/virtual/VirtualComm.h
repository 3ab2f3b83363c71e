#pragma once

// An open handle of a virtual device: the shared driver behaviour, with every call
// journalled and open to injected failures.

#include "platform/driver/CommDriver.h"

#include <memory>

namespace win::virt {

class VirtualDeviceImpl;
struct JournalEntry;

class VirtualComm : public CommDriver {
public:
    VirtualComm(std::shared_ptr<VirtualDeviceImpl> device, bool overlapped, DWORD lines);

    DWORD SetupComm(DWORD inQueue, DWORD outQueue) override;
    DWORD GetCommState(DCB* dcb) override;
    DWORD SetCommState(const DCB* dcb) override;
    DWORD GetCommTimeouts(COMMTIMEOUTS* timeouts) override;
    DWORD SetCommTimeouts(const COMMTIMEOUTS* timeouts) override;
    DWORD ClearCommError(DWORD* errors, COMSTAT* stat) override;
    DWORD GetCommModemStatus(DWORD* modemStat) override;
    DWORD SetCommMask(DWORD eventMask) override;
    DWORD GetCommMask(DWORD* eventMask) override;
    DWORD WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) override;
    DWORD PurgeComm(DWORD flags) override;
    DWORD TransmitCommChar(char ch) override;
    DWORD ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
    DWORD WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                    OVERLAPPED* overlapped) override;
    DWORD GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, bool wait) override;

    DWORD CanClose() override;
    void OnClose() override;

protected:
    DWORD ApplyState(const DCB& dcb) override;
    DWORD SendImmediate(char ch) override;
    DWORD Send(const std::uint8_t* bytes, DWORD count) override;

private:
    template <class Body> DWORD Journaled(JournalEntry& entry, Body&& body);

    const std::shared_ptr<VirtualDeviceImpl> device_;
};

} // namespace win::virt
