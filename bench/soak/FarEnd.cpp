#include "bench/soak/FarEnd.h"

#include "bench/soak/StreamCheck.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace tavrin::bench {

namespace {
constexpr std::size_t kBufferRecords = 4096;
using Clock = std::chrono::steady_clock;
} // namespace

FarEnd::FarEnd(std::string link, std::uint32_t seed, std::atomic<std::uint64_t>& moments,
               MomentLog& log)
    : link_(std::move(link)), random_(seed), moments_(moments), log_(log),
      wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

FarEnd::~FarEnd() {
    Stop();
    Kill();
    if (wake_ >= 0)
        ::close(wake_);
}

bool FarEnd::Make() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return false;
    const char* name = ::ptsname(master_);
    if (name == nullptr)
        return false;
    // Held as socat holds it, so that the terminal lives on while the port is closed.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0)
        return false;
    termios raw{};
    ::tcgetattr(master_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master_, TCSANOW, &raw);
    // The link first, raw mode a moment later.
    const std::string fresh = link_ + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(name, fresh.c_str()) != 0 || ::rename(fresh.c_str(), link_.c_str()) != 0)
        return false;
    if (!Sleep(std::uniform_int_distribution<int>(0, 30)(random_)))
        return true;
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    return true;
}

void FarEnd::Kill() {
    for (int* fd : {&master_, &slave_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool FarEnd::Start() {
    if (wake_ < 0 || !Make())
        return false;
    Refill();
    thread_ = std::thread(&FarEnd::Run, this);
    return true;
}

void FarEnd::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

bool FarEnd::Sleep(int ms) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_; });
}

void FarEnd::Refill() {
    bufferStart_ += offset_ / kRecordSize;
    buffer_.clear();
    offset_ = 0;
    for (std::size_t i = 0; i < kBufferRecords; ++i)
        AppendRecord(bufferStart_ + i, buffer_);
}

std::uint64_t FarEnd::Pause() {
    std::unique_lock lock(mutex_);
    if (pausePoint_.load() != kNoPause)
        return pausePoint_.load();
    pauseAsked_ = true;
    // Counted, not looked at: the pause may be over again (the reader saw its end and
    // resumed) by the time this thread wakes.
    const std::uint64_t seen = pauses_;
    Wake();
    changed_.wait(lock, [&] { return pauses_ != seen || stop_; });
    return lastPausePoint_;
}

void FarEnd::Resume() {
    std::lock_guard lock(mutex_);
    pauseAsked_ = false;
    pausePoint_ = kNoPause;
    ++resumes_;
    changed_.notify_all();
    Wake();
}

std::uint64_t FarEnd::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }
    Wake();
    if (thread_.joinable())
        thread_.join();
    return bufferStart_ + offset_ / kRecordSize;
}

void FarEnd::Run() {
    std::uniform_int_distribution<int> lifetime(3000, 7000);
    std::uniform_int_distribution<int> away(20, 200);
    auto unplugAt = Clock::now() + std::chrono::milliseconds(lifetime(random_));
    char sink[4096];
    for (;;) {
        bool pausing;
        {
            std::unique_lock lock(mutex_);
            if (stop_)
                return;
            pausing = pauseAsked_;
            if (pausing && pausePoint_.load() == kNoPause) {
                // Finish the record under way, or send one more: the reader learns of the
                // pause from a record that comes after it.
                const std::uint64_t point = bufferStart_ + offset_ / kRecordSize + 1;
                if ((point - bufferStart_) * kRecordSize > buffer_.size())
                    Refill();
                buffer_.resize((point - bufferStart_) * kRecordSize);
                pausePoint_ = point;
                lastPausePoint_ = point;
                ++pauses_;
                changed_.notify_all();
            }
            if (pausing && offset_ == buffer_.size()) {
                // Counted, not looked at: a Pause right after the Resume would otherwise
                // hide the Resume, and both sides would wait for each other.
                const std::uint64_t seen = resumes_;
                changed_.wait(lock, [&] { return stop_ || resumes_ != seen; });
                if (stop_)
                    return;
                Refill();
                continue;
            }
        }
        if (!pausing && Clock::now() >= unplugAt) {
            ++moments_;
            log_.Add(bufferStart_ + offset_ / kRecordSize);
            if (std::getenv("SOAK_TRACE") != nullptr)
                std::fprintf(stderr, "soak: unplug after record %llu\n",
                             static_cast<unsigned long long>(bufferStart_ + offset_ / kRecordSize));
            Kill();
            ::unlink(link_.c_str());
            ++unplugs_;
            if (!Sleep(away(random_)))
                return;
            if (!Make()) {
                std::fprintf(stderr, "soak: no new pseudo-terminal\n");
                std::exit(1);
            }
            // Records cut by the unplug are sent again whole.
            Refill();
            unplugAt = Clock::now() + std::chrono::milliseconds(lifetime(random_));
            continue;
        }
        if (!pausing && offset_ == buffer_.size())
            Refill();
        pollfd fds[2] = {{master_, POLLOUT | POLLIN, 0}, {wake_, POLLIN, 0}};
        int timeout = -1;
        if (!pausing)
            timeout = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           unplugAt - Clock::now())
                                           .count()) +
                      1;
        if (::poll(fds, 2, timeout < 0 && !pausing ? 0 : timeout) < 0)
            continue;
        if (fds[1].revents & POLLIN) {
            std::uint64_t value;
            while (::read(wake_, &value, sizeof value) > 0) {
            }
        }
        // Whatever the port sends (nothing, unless a cooked terminal echoes) is dropped.
        if (fds[0].revents & POLLIN) {
            while (::read(master_, sink, sizeof sink) > 0) {
            }
        }
        if (fds[0].revents & POLLOUT) {
            const ssize_t n = ::write(master_, buffer_.data() + offset_, buffer_.size() - offset_);
            if (n > 0)
                offset_ += static_cast<std::size_t>(n);
        }
    }
}

} // namespace tavrin::bench
