#pragma once

// Objects a thread can wait on (WaitForSingleObject, WaitForMultipleObjects). The state of
// every waitable object is guarded by one lock, so that a wait on several objects sees all
// of them at one instant and takes exactly one; each waiting thread sleeps on its own
// condition variable and is woken only by the objects it waits on.

#include "platform/winapi/Sync.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace win {

// Something a thread waiting on an object can do itself to make the object signalled, rather
// than sleep until another thread does it and wakes it: while a device's event wait is
// pending on an event, a thread waiting for that event watches the device too and moves what
// arrives. It saves one thread hand-off between the line and the waiting thread.
class WaitHelper {
public:
    virtual ~WaitHelper() = default;
    // The descriptor to watch for input now, or -1 when there is nothing to watch.
    virtual int Descriptor() = 0;
    // The descriptor is readable: move what it has. False: do not watch it again in this
    // wait (the device hung up, or has nowhere to put its input).
    virtual bool Serve() = 0;
};

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

public:
    // Offers waiters a helper (none: nullptr).
    void SetHelper(std::shared_ptr<WaitHelper> helper);

private:
    struct Waiter {
        std::condition_variable wake;
        int descriptor = -1; // while >= 0 the waiter sleeps in poll() on this eventfd
    };
    std::vector<Waiter*> waiters_;
    std::shared_ptr<WaitHelper> helper_; // guarded by StateLock
};

} // namespace win
