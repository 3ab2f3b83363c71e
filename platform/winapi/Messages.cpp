#include "platform/winapi/Messages.h"

#include "platform/winapi/Sync.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace win {

namespace {

struct Window;

// One message on its way from a sender to the owner of a window.
struct Sent {
    std::shared_ptr<Window> window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::mutex mutex;
    std::condition_variable replied;
    bool done = false;
    LRESULT result = 0;

    // Releases the sender; false if it had been released already.
    bool Reply(LRESULT value) {
        std::lock_guard lock(mutex);
        if (done)
            return false;
        done = true;
        result = value;
        replied.notify_all();
        return true;
    }
};

// The queue of the messages sent to one thread's windows.
struct ThreadQueue {
    explicit ThreadQueue(std::thread::id owner) : owner(owner) {
        fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (fd < 0)
            throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    ~ThreadQueue() { close(fd); }
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // Called when the owner thread ends: nobody will ever take these messages.
    void Abandon() {
        std::deque<std::shared_ptr<Sent>> dropped;
        {
            std::lock_guard lock(mutex);
            ended = true;
            dropped.swap(pending);
        }
        for (auto& sent : dropped)
            sent->Reply(0);
    }

    const std::thread::id owner;
    int fd = -1;
    std::mutex mutex;
    std::deque<std::shared_ptr<Sent>> pending;
    bool ended = false;
};

struct Window {
    std::uintptr_t id = 0;
    std::shared_ptr<ThreadQueue> owner;
    WindowHandler handler;
};

// The table of live windows, keyed by the number a handle stands for.
std::mutex tableMutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<Window>> windows;
std::uintptr_t lastId = 0;

std::uintptr_t IdOf(HWND window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

std::shared_ptr<Window> Find(HWND window) {
    std::lock_guard lock(tableMutex);
    auto it = windows.find(IdOf(window));
    return it == windows.end() ? nullptr : it->second;
}

// Each thread's queue lives while the thread does or a window of it exists; when the thread
// ends, senders still waiting for it are let go.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue)
            queue->Abandon();
    }
};
thread_local QueueHolder currentQueue;

const std::shared_ptr<ThreadQueue>& CurrentQueue() {
    if (!currentQueue.queue)
        currentQueue.queue = std::make_shared<ThreadQueue>(std::this_thread::get_id());
    return currentQueue.queue;
}

// The message the calling thread is handling, if another thread sent it.
thread_local Sent* handling = nullptr;

LRESULT Dispatch(HWND handle, Window& window, UINT message, WPARAM wParam, LPARAM lParam,
                 Sent* sent) {
    struct Scope {
        Sent* outer;
        Sent* sent;
        ~Scope() {
            handling = outer;
            // A sender must never stay blocked, whatever the handler did.
            if (sent)
                sent->Reply(0);
        }
    } scope{handling, sent};
    handling = sent;
    LRESULT result = window.handler(handle, message, wParam, lParam);
    if (sent)
        sent->Reply(result);
    return result;
}

void ClearDescriptor(int fd) {
    std::uint64_t count;
    // Nonblocking: nothing to read simply means nothing was signalled.
    [[maybe_unused]] ssize_t n = read(fd, &count, sizeof count);
}

void Signal(int fd) {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(fd, &one, sizeof one);
}

} // namespace

HWND CreateMessageWindow(WindowHandler handler) {
    auto window = std::make_shared<Window>();
    window->owner = CurrentQueue();
    window->handler = std::move(handler);
    std::lock_guard lock(tableMutex);
    window->id = ++lastId;
    windows.emplace(window->id, window);
    return reinterpret_cast<HWND>(window->id);
}

BOOL DestroyWindow(HWND handle) {
    std::shared_ptr<Window> window;
    {
        std::lock_guard lock(tableMutex);
        auto it = windows.find(IdOf(handle));
        if (it == windows.end()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (it->second->owner->owner != std::this_thread::get_id()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        window = it->second;
        windows.erase(it);
    }
    std::deque<std::shared_ptr<Sent>> dropped;
    {
        ThreadQueue& queue = *window->owner;
        std::lock_guard lock(queue.mutex);
        for (auto it = queue.pending.begin(); it != queue.pending.end();) {
            if ((*it)->window == window) {
                dropped.push_back(std::move(*it));
                it = queue.pending.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& sent : dropped)
        sent->Reply(0);
    return TRUE;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Window> window = Find(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    ThreadQueue& queue = *window->owner;
    if (queue.owner == std::this_thread::get_id())
        return Dispatch(handle, *window, message, wParam, lParam, nullptr);

    auto sent = std::make_shared<Sent>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    {
        std::lock_guard lock(queue.mutex);
        if (queue.ended) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        queue.pending.push_back(sent);
        Signal(queue.fd);
    }
    std::unique_lock lock(sent->mutex);
    sent->replied.wait(lock, [&] { return sent->done; });
    return sent->result;
}

BOOL InSendMessage() {
    return handling != nullptr ? TRUE : FALSE;
}

BOOL ReplyMessage(LRESULT result) {
    return handling != nullptr && handling->Reply(result) ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

int SentMessageDescriptor() {
    return CurrentQueue()->fd;
}

bool DeliverSentMessages() {
    const std::shared_ptr<ThreadQueue>& queue = CurrentQueue();
    // Cleared before the queue is looked at: whatever arrives later signals again.
    ClearDescriptor(queue->fd);
    bool any = false;
    for (;;) {
        std::shared_ptr<Sent> sent;
        {
            std::lock_guard lock(queue->mutex);
            if (queue->pending.empty())
                break;
            sent = std::move(queue->pending.front());
            queue->pending.pop_front();
        }
        any = true;
        // The handle is looked up again: the window may have gone since the message came.
        HWND handle = reinterpret_cast<HWND>(sent->window->id);
        if (Find(handle) != sent->window) {
            sent->Reply(0);
            continue;
        }
        Dispatch(handle, *sent->window, sent->message, sent->wParam, sent->lParam, sent.get());
    }
    return any;
}

} // namespace win
