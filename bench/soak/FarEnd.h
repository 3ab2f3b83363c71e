#pragma once

// The other end of the soak's line: a pseudo-terminal whose slave is linked as the port's
// COMn, streaming the record stream (StreamCheck.h) as fast as the terminal takes it, and
// killed and made anew at the same link every 3 to 7 seconds. A new terminal is linked while
// it is still cooked and put in raw mode a moment later, as socat does: a port that
// reattaches in between must not keep those settings.

#include "bench/soak/StreamCheck.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace tavrin::bench {

class FarEnd {
public:
    static constexpr std::uint64_t kNoPause = std::numeric_limits<std::uint64_t>::max();

    // `moments` counts unplugs (and whatever else the caller counts as one); `log` learns
    // where in the stream each unplug fell.
    FarEnd(std::string link, std::uint32_t seed, std::atomic<std::uint64_t>& moments,
           MomentLog& log);
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    // Makes the first terminal and its link, then streams; false when no terminal could be
    // made.
    bool Start();
    // The stream stops before the record this returns: every record before it is sent
    // whole, and at least one of them is sent after the call. No unplug until Resume.
    std::uint64_t Pause();
    void Resume();
    // Where the stream stops while paused, else kNoPause; any thread.
    std::uint64_t PausePoint() const { return pausePoint_.load(); }
    // Ends the stream; the records sent whole.
    std::uint64_t Stop();
    int Unplugs() const { return unplugs_.load(); }

private:
    bool Make();
    void Kill();
    void Run();
    void Refill();
    void Wake();
    // Waits `ms` unless stopped meanwhile; false when stopped.
    bool Sleep(int ms);

    const std::string link_;
    std::mt19937 random_;
    std::atomic<std::uint64_t>& moments_;
    MomentLog& log_;
    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1;

    std::string buffer_; // records from bufferStart_ on
    std::uint64_t bufferStart_ = 0;
    std::size_t offset_ = 0; // bytes of buffer_ the terminal has taken

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool pauseAsked_ = false;
    std::uint64_t resumes_ = 0;
    std::uint64_t pauses_ = 0; // pause points published
    std::uint64_t lastPausePoint_ = 0;
    std::atomic<std::uint64_t> pausePoint_{kNoPause};
    std::atomic<int> unplugs_{0};
    std::thread thread_;
};

} // namespace tavrin::bench
