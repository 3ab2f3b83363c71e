#pragma once

// Handles, events, waits and the per-thread last error.

#include "platform/Win32.h"

namespace win {

// Base of everything a HANDLE can stand for. Closing a handle drops the table's reference;
// an operation under way on another thread keeps the object alive until it returns.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Called once when the last handle to the object is closed.
    virtual void OnClose() {}
};

DWORD GetLastError();
void SetLastError(DWORD code);

BOOL CloseHandle(HANDLE handle);

HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Wait-any only (waitAll must be FALSE; TRUE fails with 87).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

void Sleep(DWORD milliseconds);

} // namespace win
