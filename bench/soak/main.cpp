// The engine under a long run of unplugs, reopens and queue resizes, with every byte
// accounted for:
//
//   bench_soak [minutes] [method] [--seed N]
//
// A TComPort on COM1 of a private configuration reads a sequence-numbered stream that the
// far end (FarEnd.h) sends over a pseudo-terminal as fast as it takes it; the far end is
// killed and made anew at the same link every 3 to 7 seconds. Every 1.5 to 4 seconds the
// handler closes and reopens the port: either at once, with the stream running (a hot
// close), or after the far end has paused and everything sent has arrived, when nothing at
// all may be lost. Buffer.InputSize flips between 1024 and 65536 now and then. Bytes missing
// or changed outside the unplug and hot-close moments are soak_bytes_lost; the growth of
// memory, descriptors and threads is taken from the end of a warm-up to the end, both at a
// quiet point (far end paused, everything read, port open).
//
// method: smThreadSync, smWindowSync or smNone (default: the three in turn); minutes per
// method, default 10. The seed is printed; the same seed gives the same schedule.
// SOAK_TRACE=1 tells on stderr of every unplug, handler close and loss as it happens.

#include "base/GuiQueue.h"
#include "bench/soak/FarEnd.h"
#include "bench/soak/ProcessFigures.h"
#include "bench/soak/StreamCheck.h"
#include "bench/support/PrivateConfig.h"
#include "serial/CPort.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <poll.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using tavrin::bench::FarEnd;
using tavrin::bench::MomentLog;
using tavrin::bench::ProcessFigures;
using tavrin::bench::StreamCheck;

const char* MethodName(tavrin::TSyncMethod method) {
    switch (method) {
    case tavrin::smThreadSync:
        return "smThreadSync";
    case tavrin::smWindowSync:
        return "smWindowSync";
    case tavrin::smNone:
        return "smNone";
    }
    return "?";
}

// Serves the GUI thread's queue until `done` holds or `limit` has passed, sleeping on the
// queue's descriptor. Whether `done` came to hold.
bool PumpUntil(const std::function<bool()>& done, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{tavrin::gui_queue::WakeDescriptor(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 100))) == 1)
            tavrin::gui_queue::RunPending();
    }
    return true;
}

struct Result {
    std::uint64_t bytes = 0;
    int unplugs = 0;
    std::uint64_t lost = 0;
    std::uint64_t lostAtUnplug = 0;
    long rssGrowth = 0;
    long fdGrowth = 0;
    long threadGrowth = 0;
    int hotCloses = 0;
    int quietCloses = 0;
    int flips = 0;
    int readErrors = 0;
    int openFailures = 0;
    int stalls = 0; // quiet points the stream did not reach in time
};

class Soak {
public:
    Soak(tavrin::TSyncMethod method, std::uint32_t seed, const std::string& link)
        : random_(seed), far_(link, seed ^ 0x9E3779B9u, moments_, log_), check_(log_) {
        port_.SetPort("COM1");
        port_.SetBaudRate(tavrin::br115200);
        port_.SetSyncMethod(method);
        port_.OnRxChar = [this](tavrin::TObject*, std::int32_t count) { OnRxChar(count); };
    }

    Result Run(Clock::duration length) {
        if (!far_.Start()) {
            std::fprintf(stderr, "soak: no pseudo-terminal\n");
            std::exit(1);
        }
        if (!PumpUntil([&] { return TryOpen(); }, 10s)) {
            std::fprintf(stderr, "soak: the port does not open\n");
            std::exit(1);
        }
        const auto start = Clock::now();
        const auto warm = start + std::min<Clock::duration>(length / 5, 60s);
        const auto end = start + length;
        std::uniform_int_distribution<int> flipGap(300, 2000);
        std::uniform_int_distribution<int> closeGap(1500, 4000);
        auto nextFlip = start + std::chrono::milliseconds(flipGap(random_));
        auto nextClose = start + std::chrono::milliseconds(closeGap(random_));
        Clock::time_point quietAsked{};
        ProcessFigures before{};
        bool warmedUp = false;
        int size = 1024;
        for (auto now = Clock::now(); now < end; now = Clock::now()) {
            auto next = std::min({nextFlip, nextClose, end});
            if (!warmedUp)
                next = std::min(next, warm);
            if (openFailed_.load() || quietClose_.load())
                next = std::min(next, now + 100ms);
            PumpUntil([] { return false; },
                      std::max<Clock::duration>(next - Clock::now(), Clock::duration::zero()));
            now = Clock::now();
            if (openFailed_.load() && TryOpen())
                openFailed_ = false;
            if (now >= nextFlip) {
                size = size == 1024 ? 65536 : 1024;
                sizeAsked_ = size;
                ++result_.flips;
                nextFlip = now + std::chrono::milliseconds(flipGap(random_));
            }
            if (quietClose_.load() && now - quietAsked > 15s) {
                // The stream did not come through in time: a loss, which the next records
                // show; the run goes on.
                quietClose_ = false;
                far_.Resume();
                ++result_.stalls;
            }
            if (now >= nextClose) {
                if (std::bernoulli_distribution(0.5)(random_)) {
                    hotClose_ = true;
                } else if (!quietClose_.load()) {
                    // Asked first: the handler that reads the last record must see it.
                    quietClose_ = true;
                    quietAsked = now;
                    far_.Pause();
                }
                nextClose = now + std::chrono::milliseconds(closeGap(random_));
            }
            if (!warmedUp && now >= warm) {
                before = Quiet();
                far_.Resume();
                warmedUp = true;
            }
        }
        const ProcessFigures after = Quiet();
        const std::uint64_t point = far_.PausePoint();
        port_.ClosePort();
        check_.Finish(point, moments_.load());
        far_.Stop();

        result_.bytes = check_.Received();
        result_.unplugs = far_.Unplugs();
        result_.lost = check_.Lost();
        result_.lostAtUnplug = check_.LostAtMoments();
        result_.rssGrowth = after.rssKib - before.rssKib;
        result_.fdGrowth = after.fds - before.fds;
        result_.threadGrowth = after.threads - before.threads;
        return result_;
    }

private:
    bool TryOpen() {
        try {
            port_.OpenPort();
            return port_.Connected();
        } catch (const std::exception&) {
            ++result_.openFailures;
            return false;
        }
    }

    void OnRxChar(std::int32_t count) {
        try {
            port_.ReadText(chunk_, count);
        } catch (const std::exception&) {
            ++result_.readErrors;
            return;
        }
        check_.Feed(chunk_.data(), chunk_.size(), moments_.load());
        expected_ = check_.Expected();
        midRecord_ = check_.MidRecord();
        if (const int size = sizeAsked_.exchange(0)) {
            try {
                port_.Buffer().SetInputSize(size);
            } catch (const std::exception&) {
                ++result_.readErrors;
            }
        }
        const bool hot = hotClose_.exchange(false);
        const bool quiet = !hot && quietClose_.load() && far_.PausePoint() == check_.Expected() &&
                           !check_.MidRecord();
        if (!hot && !quiet)
            return;
        static const bool trace = std::getenv("SOAK_TRACE") != nullptr;
        if (trace)
            std::fprintf(stderr, "soak: %s close at record %llu\n", hot ? "hot" : "quiet",
                         static_cast<unsigned long long>(check_.Expected()));
        if (hot) {
            ++moments_;
            log_.Add(check_.Expected());
            ++result_.hotCloses;
        } else {
            quietClose_ = false;
            ++result_.quietCloses;
        }
        try {
            port_.ClosePort();
            port_.OpenPort();
        } catch (const std::exception&) {
            // Between an unplug and the far end's return there is nothing to open; the
            // main loop tries again.
            openFailed_ = true;
        }
        if (quiet)
            far_.Resume();
    }

    // Pauses the far end, waits until everything it sent has been read, lets the port's
    // threads settle, and reads the figures. The far end stays paused.
    ProcessFigures Quiet() {
        PumpUntil([&] { return !quietClose_.load(); }, 20s);
        hotClose_ = false;
        const std::uint64_t point = far_.Pause();
        if (!PumpUntil(
                [&] {
                    if (openFailed_.load() && TryOpen())
                        openFailed_ = false;
                    return !openFailed_.load() && expected_.load() == point && !midRecord_.load();
                },
                20s))
            ++result_.stalls;
        PumpUntil([] { return false; }, 500ms);
        return tavrin::bench::ReadProcessFigures();
    }

    std::mt19937 random_;
    std::atomic<std::uint64_t> moments_{0};
    MomentLog log_;
    FarEnd far_;
    tavrin::TComPort port_;
    StreamCheck check_; // the handler's
    std::string chunk_;
    std::atomic<std::uint64_t> expected_{0};
    std::atomic<bool> midRecord_{false};
    std::atomic<bool> hotClose_{false};
    std::atomic<bool> quietClose_{false};
    std::atomic<bool> openFailed_{false};
    std::atomic<int> sizeAsked_{0};
    Result result_;
};

} // namespace

int main(int argc, char** argv) {
    double minutes = 10;
    std::vector<tavrin::TSyncMethod> methods = {tavrin::smThreadSync, tavrin::smWindowSync,
                                                tavrin::smNone};
    std::uint32_t seed = std::random_device{}();
    bool haveMinutes = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "smThreadSync" || arg == "smWindowSync" || arg == "smNone") {
            methods = {arg == "smThreadSync"   ? tavrin::smThreadSync
                       : arg == "smWindowSync" ? tavrin::smWindowSync
                                               : tavrin::smNone};
        } else if (!haveMinutes && std::strtod(arg.c_str(), nullptr) > 0) {
            minutes = std::strtod(arg.c_str(), nullptr);
            haveMinutes = true;
        } else {
            std::fprintf(stderr, "usage: bench_soak [minutes] [smThreadSync|smWindowSync|smNone] "
                                 "[--seed N]\n");
            return 2;
        }
    }
    // COM1 is linked in the private <config> to the far end's pseudo-terminal.
    const tavrin::bench::PrivateConfig config("tavrin-soak");
    if (!config.Valid())
        return 1;
    const std::string dosdevices = config.Dosdevices();
    tavrin::gui_queue::SetGuiThread();

    std::printf("soak_seed: %u\n", seed);
    std::fflush(stdout);
    const auto length = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::ratio<60>>(minutes));
    for (std::size_t i = 0; i < methods.size(); ++i) {
        Soak soak(methods[i], seed + static_cast<std::uint32_t>(i), dosdevices + "/com1");
        const Result r = soak.Run(length);
        std::printf("soak_method: %s\n", MethodName(methods[i]));
        std::printf("soak_minutes: %g\n", minutes);
        std::printf("soak_handler_closes: %d hot, %d after a drain\n", r.hotCloses, r.quietCloses);
        std::printf("soak_input_size_flips: %d\n", r.flips);
        std::printf("soak_read_errors: %d\n", r.readErrors);
        std::printf("soak_stalls: %d\n", r.stalls);
        std::printf("soak_bytes: %llu\n", static_cast<unsigned long long>(r.bytes));
        std::printf("soak_unplugs: %d\n", r.unplugs);
        std::printf("soak_bytes_lost: %llu\n", static_cast<unsigned long long>(r.lost));
        std::printf("soak_bytes_lost_at_unplug: %llu\n",
                    static_cast<unsigned long long>(r.lostAtUnplug));
        std::printf("soak_rss_growth_kib: %ld\n", r.rssGrowth);
        std::printf("soak_fd_growth: %ld\n", r.fdGrowth);
        std::printf("soak_thread_growth: %ld\n", r.threadGrowth);
        std::fflush(stdout);
    }
    return 0;
}
