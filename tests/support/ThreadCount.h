#pragma once

// The threads of the test process, as the kernel lists them, and a guard that ends a test
// that deadlocks instead of letting it hang the suite.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace tavrin::testing {

// Threads of the process now.
std::size_t ThreadCount();

// The thread count once it has come to `expected`, or the last count read when `limit`
// passes first. A thread that has just been waited for can still be listed for a moment
// (the kernel removes it after it has told the waiter), and one that frees itself ends a
// moment after its work, so a single reading right after would be flaky.
std::size_t SettledThreadCount(std::size_t expected,
                               std::chrono::milliseconds limit = std::chrono::seconds(10));

// Ends the whole test program with a failure naming `what` if it is still alive after
// `limit`: a deadlock then fails fast and says where, instead of hanging until the runner
// kills it. Its own thread exists from construction to destruction; count threads inside
// its lifetime.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::milliseconds limit = std::chrono::seconds(20));
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace tavrin::testing
