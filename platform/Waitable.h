#pragma once

// Objects a thread can wait on (WaitForSingleObject, WaitForMultipleObjects). The state of
// every waitable object is guarded by one lock, so that a wait on several objects sees all
// of them at one instant and takes exactly one; each waiting thread sleeps on its own
// condition variable and is woken only by the objects it waits on.

#include "platform/Sync.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace win {

class Waitable : public KernelObject {
public:
    // The lock that guards the state of all waitable objects.
    static std::mutex& StateLock();

    // Blocks until one of `objects` is signalled (the lowest index wins and is taken) or
    // `milliseconds` have passed (INFINITE: never). Returns WAIT_OBJECT_0 + index or
    // WAIT_TIMEOUT.
    static DWORD WaitAny(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds);

protected:
    // Both are called with StateLock held.
    virtual bool SignalledLocked() const = 0;
    // A wait has been satisfied by this object (an auto-reset event resets here).
    virtual void TakeLocked() {}
    // Call with StateLock held after the object may have become signalled.
    void WakeWaitersLocked();

private:
    struct Waiter {
        std::condition_variable wake;
    };
    std::vector<Waiter*> waiters_;
};

} // namespace win
