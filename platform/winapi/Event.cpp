#include "platform/winapi/Event.h"

#include "platform/winapi/Handles.h"

namespace win {

void Event::Set() {
    std::lock_guard guard(StateLock());
    signalled_ = true;
    WakeWaitersLocked();
}

void Event::Reset() {
    std::lock_guard guard(StateLock());
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard guard(StateLock());
    return signalled_;
}

void Event::TakeLocked() {
    if (!manualReset_)
        signalled_ = false;
}

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR name) {
    if (name != nullptr && *name != '\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return handles::Insert(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) {
    auto object = handles::LookupAs<Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    auto object = handles::LookupAs<Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}

} // namespace win
