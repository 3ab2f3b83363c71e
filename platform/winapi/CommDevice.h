#pragma once

// What a handle to an open serial device dispatches to. The functions of Comm.h validate
// the handle, then call one of these; each returns ERROR_SUCCESS, ERROR_IO_PENDING for an
// overlapped operation that has started, or the Win32 code the call fails with.
//
// Backends do not implement this directly: CommDriver (CommDriver.h) holds the Win32
// behaviour that every backend shares, and a backend feeds it bytes and line changes.

#include "platform/winapi/Sync.h"

#include <string>

namespace win {

// The arguments of a CreateFileA call, as a backend's opener receives them.
struct OpenRequest {
    std::string fileName; // as given to CreateFileA
    std::string name;     // without the "\\.\" prefix
    DWORD desiredAccess = 0;
    DWORD shareMode = 0;
    DWORD creationDisposition = 0;
    DWORD flagsAndAttributes = 0;
    bool Overlapped() const { return (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0; }
};

class CommDevice : public KernelObject {
public:
    virtual DWORD SetupComm(DWORD inQueue, DWORD outQueue) = 0;
    virtual DWORD GetCommState(DCB* dcb) = 0;
    virtual DWORD SetCommState(const DCB* dcb) = 0;
    virtual DWORD GetCommTimeouts(COMMTIMEOUTS* timeouts) = 0;
    virtual DWORD SetCommTimeouts(const COMMTIMEOUTS* timeouts) = 0;
    virtual DWORD ClearCommError(DWORD* errors, COMSTAT* stat) = 0;
    virtual DWORD GetCommModemStatus(DWORD* modemStat) = 0;
    virtual DWORD SetCommMask(DWORD eventMask) = 0;
    virtual DWORD GetCommMask(DWORD* eventMask) = 0;
    virtual DWORD WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) = 0;
    virtual DWORD PurgeComm(DWORD flags) = 0;
    virtual DWORD TransmitCommChar(char ch) = 0;
    virtual DWORD ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) = 0;
    virtual DWORD WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                            OVERLAPPED* overlapped) = 0;
    virtual DWORD GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, bool wait) = 0;
};

} // namespace win
