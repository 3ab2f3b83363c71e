#include "support/ThreadCount.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavrin::testing {
namespace {

// A thread that has been joined has already left its work, yet the kernel lists it until
// it has finished dying; counting it would make a count taken right after a join one too
// high. Such a thread carries the kernel's "exiting" flag (the ninth field of its stat).
bool IsExiting(const std::filesystem::path& task) {
    constexpr unsigned long kExiting = 0x4;
    std::ifstream in(task / "stat");
    std::string stat;
    if (!std::getline(in, stat))
        return true; // gone while we looked
    const auto afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return false;
    std::istringstream fields(stat.substr(afterName + 1));
    std::string field;
    for (int i = 0; i < 6; ++i) // state ppid pgrp session tty_nr tpgid
        fields >> field;
    unsigned long flags = 0;
    fields >> flags;
    return (flags & kExiting) != 0;
}

} // namespace

std::size_t ThreadCount() {
    // A sanitizer runtime starts a helper thread of its own when the process creates its
    // first thread; make that happen before anything is counted, so that only our threads
    // make a difference.
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        if (!IsExiting(entry.path()))
            ++n;
    return n;
}

std::size_t SettledThreadCount(std::size_t expected, std::chrono::milliseconds limit) {
    // The kernel offers no event for a thread leaving the list, so it is read again after
    // growing pauses; the first reading usually settles it.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        const std::size_t count = ThreadCount();
        if (count == expected || std::chrono::steady_clock::now() >= deadline)
            return count;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit) : what_(std::move(what)) {
    thread_ = std::thread([this, limit] {
        std::unique_lock lock(mutex_);
        if (disarmed_.wait_for(lock, limit, [this] { return done_; }))
            return;
        std::fprintf(stderr, "FAILED: %s did not return within %lld ms (deadlock?)\n",
                     what_.c_str(), static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
        disarmed_.notify_all();
    }
    thread_.join();
}

} // namespace tavrin::testing
