// Cost of one received chunk in the main window's reception pane, early in a session and
// after megabytes have arrived. The bytes take the program's own road: a virtual device,
// the port's event thread, OnRxChar on the GUI thread, ReadText, the pane. The window is
// shown (offscreen without a display), so the pane also lays out and paints.
//
//   bench_pane [megabytes] [--one-line] [--no-memory]
//
// Every chunk crosses two threads, so the road costs about a millisecond on a busy
// machine: 2 MB (the default) takes some 30 seconds.
// --one-line sends text without any line break, the worst case for a pane that lays out a
// whole line whenever it grows. Prints `name: value` lines at the end; the cost ratio
// compares the GUI thread's processor time per chunk (the median of 2000 chunks) at the end
// with that at the start.
//
// Then the memory the pane costs: `pane_bytes_per_char` is what the process grows by per
// character while the pane fills with 32 MiB of 60-character lines, and
// `pane_rss_after_1gib_mib` the resident size after 1 GiB of such lines has come through
// the receive path (the pane keeps only its newest part). `--no-memory` leaves that out.

#include "app/main/ReceptionPane.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/QtApplication.h"
#include "app/widgets/ReceptionView.h"
#include "platform/virtual/VirtualDevice.h"

#include <QApplication>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 64;
constexpr std::size_t kWindow = 2000; // chunks averaged at the start and at the end

// Text as a device would print it: numbered lines of readings, ended by CR LF, cut into
// chunks wherever the chunk size falls (also between CR and LF).
std::string Stream(std::size_t bytes, bool lineBreaks) {
    std::string text;
    text.reserve(bytes + 128);
    char line[128];
    for (unsigned n = 0; text.size() < bytes; ++n) {
        std::snprintf(line, sizeof line, "%07u: temperature %2u.%u C, humidity %2u %%%s", n,
                      18 + n % 9, n % 10, 30 + n % 41, lineBreaks ? "\r\n" : " | ");
        text += line;
    }
    text.resize(bytes);
    return text;
}

double ThreadMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Characters the pane shows for `text`: CR LF as one line break, everything else as it came.
std::size_t ShownLength(const std::string& text) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\n' && i > 0 && text[i - 1] == '\r'))
            ++length;
    }
    return length;
}

// Median of the `count` costs before `end`, or of all of them when there are fewer: a chunk
// that waited for the machine's other work does not move it.
double MedianMicros(const std::vector<double>& costs, std::size_t end, std::size_t count) {
    const std::size_t from = end > count ? end - count : 0;
    std::vector<double> window(costs.begin() + static_cast<std::ptrdiff_t>(from),
                               costs.begin() + static_cast<std::ptrdiff_t>(end));
    std::nth_element(window.begin(),
                     window.begin() + static_cast<std::ptrdiff_t>(window.size() / 2), window.end());
    return window[window.size() / 2];
}

// Mean of the `count` costs before `end`, or of all of them when there are fewer.
double MeanMicros(const std::vector<double>& costs, std::size_t end, std::size_t count) {
    const std::size_t from = end > count ? end - count : 0;
    count = end - from;
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i)
        sum += costs[i];
    return sum / static_cast<double>(count);
}

// Resident size of the process in KiB (VmRSS), or the peak of it (VmHWM).
long StatusKiB(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':')
            value = std::atol(line + length + 1);
    }
    std::fclose(status);
    return value;
}

long RssKiB() {
    malloc_trim(0);
    return StatusKiB("VmRSS");
}

// `count` bytes of 60-character lines (58 characters and CR LF).
std::string Lines(std::size_t count, unsigned& serial) {
    std::string text;
    text.reserve(count + 64);
    char line[64];
    while (text.size() < count) {
        std::snprintf(line, sizeof line, "%010u: temperature 21.4 C, humidity 40 %%, ok ok ok\r\n",
                      serial++);
        text += line;
    }
    text.resize(count);
    return text;
}

// What the pane costs per character it holds, and what the process holds after 1 GiB.
int MeasureMemory(const std::shared_ptr<win::virt::VirtualDevice>& device) {
    using namespace tavrin;
    ReceptionPane* pane = Quelt->Memo->findChild<ReceptionPane*>();
    Quelt->Memo->clear();
    unsigned serial = 0;
    const long emptyKiB = RssKiB();
    constexpr std::size_t kHeld = 32u * 1024 * 1024;
    for (std::size_t held = 0; held < kHeld; held += ReceptionPane::MaxFrameText) {
        pane->Append(Lines(ReceptionPane::MaxFrameText, serial));
        pane->Flush();
    }
    const long heldKiB = RssKiB();
    const auto characters = static_cast<double>(Quelt->Memo->textLength());
    std::printf("pane_chars_held: %.0f\n", characters);
    std::printf("pane_bytes_per_char: %.3f\n",
                static_cast<double>(heldKiB - emptyKiB) * 1024 / characters);
    std::fflush(stdout);

    // 1 GiB through the receive path: the device, the port's thread, the window's handler,
    // the pane's frames, at the pace the window takes it.
    Quelt->Memo->clear();
    constexpr std::size_t kTotal = 1024u * 1024 * 1024;
    constexpr std::size_t kPiece = 32 * 1024; // fits the port's input queue
    std::size_t sent = 0;
    while (sent < kTotal) {
        device->Inject(Lines(kPiece, serial));
        sent += kPiece;
        while (device->QueuedInput() != 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    pane->Flush();
    std::printf("pane_chars_held_after_1gib: %lld\n",
                static_cast<long long>(Quelt->Memo->textLength()));
    std::printf("pane_rss_after_1gib_mib: %.1f\n", static_cast<double>(RssKiB()) / 1024);
    std::printf("pane_peak_rss_mib: %.1f\n", static_cast<double>(StatusKiB("VmHWM")) / 1024);
    Quelt->Memo->clear();
    std::printf("pane_rss_after_clear_mib: %.1f\n", static_cast<double>(RssKiB()) / 1024);
    std::printf("pane_rss_empty_mib: %.1f\n", static_cast<double>(emptyKiB) / 1024);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tavrin;
    double megabytes = 2;
    bool lineBreaks = true;
    bool memory = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--one-line") == 0)
            lineBreaks = false;
        else if (std::strcmp(argv[i], "--no-memory") == 0)
            memory = false;
        else
            megabytes = std::atof(argv[i]);
    }
    const auto bytes = static_cast<std::size_t>(megabytes * 1024 * 1024);
    const std::size_t chunks = bytes / kChunk;
    if (chunks < 2 * kWindow) {
        std::fprintf(stderr, "too little data: at least %zu bytes\n", 2 * kWindow * kChunk);
        return 2;
    }

    QTemporaryDir config; // nothing of the user's configuration is read or written
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QtApplication program;
    program.CreateForm(Quelt);
    Quelt->show();

    const std::string name = "TAVRINBENCHPANE";
    auto device = win::virt::VirtualDevice::Register(name);
    device->SetDSR(true);
    Quelt->ComPort->Buffer().SetInputSize(64 * 1024);
    Quelt->ComPort->SetPort(name);
    Quelt->AbrirPorta1->trigger();
    if (!Quelt->ComPort->Connected())
        return 1;

    const std::string stream = Stream(chunks * kChunk, lineBreaks);
    ReceptionPane* pane = Quelt->Memo->findChild<ReceptionPane*>();
    std::vector<double> road;    // wall time of the whole road, from the line to the pane
    std::vector<double> costs;   // processor time of the GUI thread for the chunk
    std::vector<double> handler; // the window's handler alone: ReadText, queueing for the pane
    road.reserve(chunks);
    costs.reserve(chunks);
    handler.reserve(chunks);
    // Processor time of the GUI thread, so that waiting for the device (the engine's
    // share, and whatever else the machine runs) does not count as the pane's cost.
    Quelt->ComPort->OnRxChar = [&handler](TObject* Sender, std::int32_t Count) {
        const double start = ThreadMicros();
        Quelt->ComPortRxChar(Sender, Count);
        handler.push_back(ThreadMicros() - start);
    };
    for (std::size_t i = 0; i < chunks; ++i) {
        const auto start = Clock::now();
        const double cpu = ThreadMicros();
        device->Inject(stream.substr(i * kChunk, kChunk));
        // Blocks until the window has taken the chunk; every step of the road is an event.
        while (device->QueuedInput() != 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The pane would show it at its next frame: here at once, painted, so that the cost
        // of showing it counts.
        pane->Flush();
        Quelt->Memo->viewport()->repaint();
        costs.push_back(ThreadMicros() - cpu);
        road.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if ((i + 1) % (chunks / 10) == 0)
            std::printf("%5.1f MB in the pane, lately %.1f us per chunk (%.1f us of GUI CPU)\n",
                        static_cast<double>((i + 1) * kChunk) / (1024 * 1024),
                        MeanMicros(road, i + 1, kWindow), MeanMicros(costs, i + 1, kWindow));
    }
    std::fflush(stdout);

    // The pane must hold what was sent.
    const auto expected = static_cast<qsizetype>(ShownLength(stream));
    if (Quelt->Memo->toPlainText().size() != expected) {
        std::fprintf(stderr, "pane holds %lld characters, expected %lld\n",
                     static_cast<long long>(Quelt->Memo->toPlainText().size()),
                     static_cast<long long>(expected));
        return 1;
    }

    const double startRoad = MedianMicros(road, kWindow, kWindow);
    const double endRoad = MedianMicros(road, road.size(), kWindow);
    const double startHandler = MedianMicros(handler, kWindow, kWindow);
    const double endHandler = MedianMicros(handler, handler.size(), kWindow);
    const double startCost = MedianMicros(costs, kWindow, kWindow);
    const double endCost = MedianMicros(costs, costs.size(), kWindow);
    std::printf("pane_text: %s\n", lineBreaks ? "lines" : "one line");
    std::printf("pane_bytes: %zu\n", stream.size());
    std::printf("pane_road_us_start: %.1f\n", startRoad);
    std::printf("pane_road_us_end: %.1f\n", endRoad);
    std::printf("pane_handler_cpu_us_start: %.1f\n", startHandler);
    std::printf("pane_handler_cpu_us_end: %.1f\n", endHandler);
    std::printf("pane_chunk_cpu_us_start: %.1f\n", startCost);
    std::printf("pane_chunk_cpu_us_end: %.1f\n", endCost);
    std::printf("pane_chunk_cost_ratio: %.2f\n", endCost / startCost);
    std::fflush(stdout);
    Quelt->ComPort->OnRxChar = [](TObject* Sender, std::int32_t Count) {
        Quelt->ComPortRxChar(Sender, Count);
    };
    const int result = memory ? MeasureMemory(device) : 0;
    Quelt->FecharPorta1->trigger();
    return result;
}
