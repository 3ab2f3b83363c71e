#include "platform/winapi/Handles.h"
#include "platform/winapi/Waitable.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <set>
#include <thread>

namespace win {

std::mutex& Waitable::StateLock() {
    static std::mutex lock;
    return lock;
}

void Waitable::WakeWaitersLocked() {
    for (Waiter* waiter : waiters_) {
        if (waiter->descriptor >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] ssize_t n = write(waiter->descriptor, &one, sizeof one);
        } else {
            waiter->wake.notify_one();
        }
    }
}

void Waitable::SetHelper(std::shared_ptr<WaitHelper> helper) {
    std::lock_guard guard(StateLock());
    helper_ = std::move(helper);
    // A thread already asleep on this object learns of the helper.
    WakeWaitersLocked();
}

namespace {

// The eventfd a thread sleeps on while it watches a helper's descriptor; one per thread, for
// the thread's life.
int WakeDescriptorOfThisThread() {
    struct Descriptor {
        int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        ~Descriptor() {
            if (fd >= 0)
                close(fd);
        }
    };
    static thread_local Descriptor descriptor;
    return descriptor.fd;
}

} // namespace

DWORD Waitable::WaitAny(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    Waiter self;
    bool registered = false;
    // Helpers that asked not to be watched again in this wait.
    std::set<const WaitHelper*> refused;
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
        std::shared_ptr<WaitHelper> helper;
        for (const auto& object : objects) {
            if (object->helper_ && !refused.contains(object->helper_.get())) {
                helper = object->helper_;
                break;
            }
        }
        const int wake = helper ? WakeDescriptorOfThisThread() : -1;
        if (wake >= 0) {
            self.descriptor = wake;
            lock.unlock();
            const int device = helper->Descriptor();
            pollfd fds[2] = {{wake, POLLIN, 0}, {device, POLLIN, 0}};
            int timeout = -1;
            if (milliseconds != INFINITE) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
                timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            }
            const int ready = device >= 0 ? poll(fds, 2, timeout) : 0;
            if (device < 0)
                refused.insert(helper.get());
            if (ready > 0 && fds[0].revents != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] ssize_t n = read(wake, &count, sizeof count);
            }
            if (ready > 0 && fds[1].revents != 0) {
                const bool broken = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
                if (broken || !helper->Serve())
                    refused.insert(helper.get());
            }
            lock.lock();
            self.descriptor = -1;
            continue;
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
