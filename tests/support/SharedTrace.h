#pragma once

// What notifications a test saw, as text, in order. Several threads may write it (a port
// under smNone notifies on its event thread) and the test can wait for an entry.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tavrin::testing {

using Trace = std::vector<std::string>;

class SharedTrace {
public:
    void Add(std::string item) {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
        changed_.notify_all();
    }
    Trace Items() {
        std::lock_guard lock(mutex_);
        return items_;
    }
    bool Contains(const std::string& item) {
        std::lock_guard lock(mutex_);
        return std::find(items_.begin(), items_.end(), item) != items_.end();
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
    }
    // For notifications that arrive on another thread.
    bool WaitFor(const std::string& item,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            return std::find(items_.begin(), items_.end(), item) != items_.end();
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    Trace items_;
};

} // namespace tavrin::testing
