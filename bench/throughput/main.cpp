// Reception through the engine against a raw reader of a pseudo-terminal, in one run, the
// two taking turns round after round so that whatever else the machine does weighs on both:
//
//   - latency: one byte written into the other end, until the handler has read it
//     (OnRxChar + ReadText), with the handler on the event thread (smNone) and on the GUI
//     thread (smThreadSync); the raw reader polls and reads the descriptor;
//   - throughput: a flood read as the main window reads it (1024-byte input queue,
//     smThreadSync, OnRxChar + ReadText);
//   - idle: wake-ups of an open port with nothing on the line for 10 seconds.
//
//   bench_throughput [rounds]
//
// Ratios are the median of the rounds' ratios, engine over raw. The last lines are
// `name: value` lines for scripts.

#include "base/GuiQueue.h"
#include "bench/support/PrivateConfig.h"
#include "bench/support/RawPty.h"
#include "platform/posix/PosixComm.h"
#include "serial/CPort.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tavrin::TComPort;
using tavrin::TObject;

constexpr int kLatencySamples = 200;
constexpr std::size_t kFloodBytes = 16 * 1024 * 1024;

using tavrin::bench::Pty;

using tavrin::bench::Median;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

// What the reading side reports to the writing side: bytes seen so far, and when.
struct Arrivals {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t bytes = 0;
    Clock::time_point last;

    void Add(std::size_t n) {
        const auto now = Clock::now();
        std::lock_guard lock(mutex);
        bytes += n;
        last = now;
        changed.notify_all();
    }
    // Waits until `bytes` reaches `count`; false after 10 s.
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return bytes >= count; });
    }
    void Reset() {
        std::lock_guard lock(mutex);
        bytes = 0;
    }
};

// One byte at a time from an idle line, to the raw reader and to the engine in turn: the
// times from each write to its arrival, raw first.
std::pair<std::vector<double>, std::vector<double>>
LatencySamples(int rawMaster, Arrivals& raw, int engineMaster, Arrivals& engine) {
    std::vector<double> samples[2];
    raw.Reset();
    engine.Reset();
    for (int i = 0; i < 2 * kLatencySamples; ++i) {
        const int side = i % 2;
        Arrivals& arrivals = side == 0 ? raw : engine;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto start = Clock::now();
        WriteAll(side == 0 ? rawMaster : engineMaster, "x", 1);
        if (!arrivals.WaitFor(samples[side].size() + 1))
            break;
        std::lock_guard lock(arrivals.mutex);
        samples[side].push_back(Micros(arrivals.last - start));
    }
    return {samples[0], samples[1]};
}

// A flood of `size` bytes; its rate in MB/s (0 when it did not all arrive).
double Flood(int master, Arrivals& arrivals, std::size_t size) {
    static const std::string block(64 * 1024, 'x');
    arrivals.Reset();
    const auto start = Clock::now();
    for (std::size_t done = 0; done < size; done += block.size())
        WriteAll(master, block.data(), std::min(block.size(), size - done));
    if (!arrivals.WaitFor(size))
        return 0;
    std::lock_guard lock(arrivals.mutex);
    return static_cast<double>(size) / 1e6 /
           std::chrono::duration<double>(arrivals.last - start).count();
}

// A reader of the bare descriptor, on a thread of its own.
class RawReader {
public:
    explicit RawReader(int fd) : fd_(fd), stop_(eventfd(0, EFD_CLOEXEC)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~RawReader() {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(stop_, &one, sizeof one);
        thread_.join();
        close(stop_);
    }
    Arrivals arrivals;

private:
    void Run() {
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents)
                return;
            const ssize_t n = read(fd_, buffer.data(), buffer.size());
            if (n > 0)
                arrivals.Add(static_cast<std::size_t>(n));
        }
    }
    int fd_;
    int stop_;
    std::thread thread_;
};

// Runs `work` on a thread of its own while this (the GUI) thread serves the engine's
// synchronous calls, until the work is done.
void ServingWhile(const std::function<void()>& work) {
    const int done = eventfd(0, EFD_CLOEXEC);
    std::thread worker([&] {
        work();
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(done, &one, sizeof one);
    });
    for (;;) {
        pollfd fds[2] = {{tavrin::gui_queue::WakeDescriptor(), POLLIN, 0}, {done, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[0].revents)
            tavrin::gui_queue::RunPending();
        if (fds[1].revents)
            break;
    }
    worker.join();
    close(done);
}

// The engine's port on COM1 as the main window sets it up, its handler reading at once.
class EnginePort {
public:
    EnginePort() {
        port.SetPort("COM1");
        port.SetBaudRate(tavrin::br115200);
        port.OnRxChar = [this](TObject*, std::int32_t count) {
            const std::int32_t n = port.ReadText(chunk_, count);
            if (n > 0)
                arrivals.Add(static_cast<std::size_t>(n));
        };
    }
    void Open(tavrin::TSyncMethod method) {
        port.SetSyncMethod(method);
        port.OpenPort();
    }
    void Close() { port.ClosePort(); }

    TComPort port;
    Arrivals arrivals;

private:
    std::string chunk_;
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // COM1 is linked in the private <config> to the engine's pseudo-terminal.
    const tavrin::bench::PrivateConfig config("tavrin-bench");
    if (!config.Valid())
        return 1;
    const std::string dosdevices = config.Dosdevices();
    Pty enginePty;
    Pty rawPty;
    if (enginePty.master < 0 || rawPty.master < 0)
        return 1;
    std::filesystem::create_symlink(ttyname(enginePty.slave), dosdevices + "/com1");

    tavrin::gui_queue::SetGuiThread();
    EnginePort engine;
    RawReader raw(rawPty.slave);

    std::vector<double> noneRatios, syncRatios, throughputRatios;
    std::vector<double> rawLatency, noneLatency, syncLatency, rawRate, engineRate;
    for (int round = 0; round < rounds; ++round) {
        engine.Open(tavrin::smNone);
        const auto [rawA, none] =
            LatencySamples(rawPty.master, raw.arrivals, enginePty.master, engine.arrivals);
        engine.Close();
        engine.Open(tavrin::smThreadSync);
        std::pair<std::vector<double>, std::vector<double>> sync;
        ServingWhile([&] {
            sync = LatencySamples(rawPty.master, raw.arrivals, enginePty.master, engine.arrivals);
        });
        const double rawFlood = Flood(rawPty.master, raw.arrivals, kFloodBytes);
        double engineFlood = 0;
        ServingWhile([&] { engineFlood = Flood(enginePty.master, engine.arrivals, kFloodBytes); });
        engine.Close();

        rawLatency.push_back(Median(rawA));
        noneLatency.push_back(Median(none));
        syncLatency.push_back(Median(sync.second));
        rawRate.push_back(rawFlood);
        engineRate.push_back(engineFlood);
        noneRatios.push_back(Median(none) / Median(rawA));
        syncRatios.push_back(Median(sync.second) / Median(sync.first));
        throughputRatios.push_back(rawFlood > 0 ? engineFlood / rawFlood : 0);
        std::printf("round %d: latency raw %.1f us, smNone %.1f us, raw %.1f us, smThreadSync "
                    "%.1f us; flood raw %.1f MB/s, engine %.1f MB/s\n",
                    round + 1, Median(rawA), Median(none), Median(sync.first), Median(sync.second),
                    rawFlood, engineFlood);
        std::fflush(stdout);
    }

    // An open port with nothing on the line must sleep: count every wake-up of its I/O
    // thread and every call it hands to the GUI thread.
    engine.Open(tavrin::smThreadSync);
    const std::uint64_t before = win::posix::PosixComm::Wakeups();
    std::uint64_t guiWakeups = 0;
    const auto idleEnd = Clock::now() + std::chrono::seconds(10);
    for (auto now = Clock::now(); now < idleEnd; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(idleEnd - now);
        pollfd fd{tavrin::gui_queue::WakeDescriptor(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count()) + 1) == 1) {
            ++guiWakeups;
            tavrin::gui_queue::RunPending();
        }
    }
    const std::uint64_t idle = win::posix::PosixComm::Wakeups() - before + guiWakeups;
    engine.Close();

    std::printf("bench: reception through TComPort against a raw reader, %d rounds\n", rounds);
    std::printf("rx_latency_raw_us: %.1f\n", Median(rawLatency));
    std::printf("rx_latency_us: %.1f\n", Median(noneLatency));
    std::printf("rx_latency_threadsync_us: %.1f\n", Median(syncLatency));
    std::printf("rx_throughput_raw_mb_s: %.1f\n", Median(rawRate));
    std::printf("rx_throughput_mb_s: %.1f\n", Median(engineRate));
    std::printf("rx_latency_ratio: %.2f\n", Median(noneRatios));
    std::printf("rx_latency_threadsync_ratio: %.2f\n", Median(syncRatios));
    std::printf("rx_throughput_ratio: %.2f\n", Median(throughputRatios));
    std::printf("idle_wakeups_10s: %llu\n", static_cast<unsigned long long>(idle));
    return 0;
}
