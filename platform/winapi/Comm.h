#pragma once

// The Win32 communications subset the engine calls, with Windows semantics: each call
// returns FALSE (or INVALID_HANDLE_VALUE) on failure and sets the calling thread's last
// error to a Win32 code.
//
// Device names: CreateFileA("\\.\" + name) resolves `name` to a registered virtual device,
// an absolute path, COMn (<config>/dosdevices/comn, else /dev/ttyS<n-1>) or /dev/<name>
// (DeviceNames.h); a path goes to the POSIX backend (posix/PosixDevice.h). The shared driver
// behaviour behind every handle is in CommDriver.h.

#include "platform/winapi/Sync.h"

namespace win {

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void* security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
BOOL GetCommState(HANDLE file, DCB* dcb);
BOOL SetCommState(HANDLE file, DCB* dcb);
BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts);
BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* stat);
BOOL GetCommModemStatus(HANDLE file, DWORD* modemStat);
BOOL SetCommMask(HANDLE file, DWORD eventMask);
BOOL GetCommMask(HANDLE file, DWORD* eventMask);
BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, OVERLAPPED* overlapped);
BOOL PurgeComm(HANDLE file, DWORD flags);
BOOL TransmitCommChar(HANDLE file, char ch);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped);
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);

} // namespace win
