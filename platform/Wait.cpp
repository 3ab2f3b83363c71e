#include "platform/Handles.h"
#include "platform/Waitable.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace win {

std::mutex& Waitable::StateLock() {
    static std::mutex lock;
    return lock;
}

void Waitable::WakeWaitersLocked() {
    for (Waiter* waiter : waiters_)
        waiter->wake.notify_one();
}

DWORD Waitable::WaitAny(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    Waiter self;
    bool registered = false;
    std::unique_lock lock(StateLock());
    auto unregister = [&] {
        if (!registered)
            return;
        for (const auto& object : objects)
            std::erase(object->waiters_, &self);
    };
    for (;;) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->SignalledLocked()) {
                objects[i]->TakeLocked();
                unregister();
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
            }
        }
        if (milliseconds == 0 || (milliseconds != INFINITE && Clock::now() >= deadline)) {
            unregister();
            return WAIT_TIMEOUT;
        }
        if (!registered) {
            for (const auto& object : objects)
                object->waiters_.push_back(&self);
            registered = true;
        }
        if (milliseconds == INFINITE)
            self.wake.wait(lock);
        else
            self.wake.wait_until(lock, deadline);
    }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    // Waiting for all objects at once is not needed by anything here; refusing it is
    // better than answering a wait-all with a wait-any.
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr || waitAll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = handles::LookupAs<Waitable>(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    return Waitable::WaitAny(objects, milliseconds);
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace win
