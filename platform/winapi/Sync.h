#pragma once

// Handles, events, waits and the per-thread last error.

#include "platform/winapi/Win32.h"

namespace win {

// Base of everything a HANDLE can stand for. Closing a handle drops the table's reference;
// an operation under way on another thread keeps the object alive until it returns.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Asked before the handle is closed; a Win32 code other than ERROR_SUCCESS makes
    // CloseHandle fail with it and leaves the handle open.
    virtual DWORD CanClose() { return ERROR_SUCCESS; }
    // Called once when the last handle to the object is closed.
    virtual void OnClose() {}
};

DWORD GetLastError();
void SetLastError(DWORD code);

BOOL CloseHandle(HANDLE handle);

// Named events are not supported (ERROR_NOT_SUPPORTED): nothing here shares objects by name.
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Wait-any only (waitAll must be FALSE; TRUE fails with 87).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Sleep(0) gives up the rest of the time slice; Sleep(INFINITE) never returns.
void Sleep(DWORD milliseconds);

} // namespace win
