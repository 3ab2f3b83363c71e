// The program itself under a flood, on a pseudo-terminal mapped as COM1: 10 MiB of text
// lines written into the other end, against a raw reader of another pseudo-terminal taking
// the same 10 MiB, round after round. While the flood runs, a probe thread posts an event
// to the command line every 20 ms and the delay until the window handles it is taken as the
// time the window needs to answer input. Then one command is sent, and the gaps between its
// characters on the line are measured. Each round floods the program a second time with the
// line monitor open and shown, which must cost the pane little.
//
//   bench_gui [rounds]
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. The last lines are `name: value`
// lines for scripts.

#include "app/line/MonitorModel.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/QtApplication.h"
#include "app/widgets/ReceptionView.h"
#include "app/windows/UnitMonitor.h"
#include "bench/support/RawPty.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFlood = 10 * 1024 * 1024;

using tavrin::bench::Pty;

// Numbered lines of readings ended by CR LF, as a device prints them.
std::string Lines(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 128);
    char line[128];
    for (unsigned n = 0; text.size() < bytes; ++n) {
        std::snprintf(line, sizeof line, "%07u: temperature %2u.%u C, humidity %2u %%\r\n", n,
                      18 + n % 9, n % 10, 30 + n % 41);
        text += line;
    }
    text.resize(bytes - 2);
    text += "\r\n";
    return text;
}

void WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

using tavrin::bench::Median;

// 10 MiB through a bare descriptor: written on one thread, read on another.
double RawFlood(const Pty& pty, const std::string& data) {
    const auto start = Clock::now();
    std::thread writer([&] { WriteAll(pty.master, data); });
    std::vector<char> buffer(64 * 1024);
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = read(pty.slave, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    const double seconds = Seconds(Clock::now() - start);
    writer.join();
    return seconds;
}

// A posted event that carries the moment it was posted.
struct ProbeEvent : QEvent {
    static QEvent::Type Kind() {
        static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
        return kind;
    }
    explicit ProbeEvent(Clock::time_point at) : QEvent(Kind()), posted(at) {}
    Clock::time_point posted;
};

class ProbeFilter : public QObject {
public:
    double maxDelayMs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == ProbeEvent::Kind()) {
            const auto delay = Clock::now() - static_cast<ProbeEvent*>(event)->posted;
            maxDelayMs = std::max(maxDelayMs, Seconds(delay) * 1000);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The flood through the program: seconds until the pane holds all of it.
double ProgramFlood(const Pty& pty, const std::string& data, qsizetype shownLength) {
    using namespace tavrin;
    Quelt->BitBtn2->click(); // an empty pane
    ReceptionView* pane = Quelt->Memo;
    QEventLoop loop;
    Clock::time_point shown;
    auto check = [&] {
        if (pane->toPlainText().size() >= shownLength && loop.isRunning()) {
            shown = Clock::now();
            loop.quit();
        }
    };
    const auto connection = QObject::connect(pane, &ReceptionView::textChanged, check);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(60'000);

    std::atomic<bool> flooding{true};
    const int stop = eventfd(0, EFD_CLOEXEC);
    std::thread prober([&] {
        while (flooding) {
            pollfd fd{stop, POLLIN, 0};
            if (poll(&fd, 1, 20) != 0)
                break;
            QCoreApplication::postEvent(Quelt->Edit_Data, new ProbeEvent(Clock::now()));
        }
    });
    const auto start = Clock::now();
    std::thread writer([&] { WriteAll(pty.master, data); });
    loop.exec();
    flooding = false;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(stop, &one, sizeof one);
    prober.join();
    writer.join();
    close(stop);
    QObject::disconnect(connection);
    QCoreApplication::sendPostedEvents(Quelt->Edit_Data, ProbeEvent::Kind());
    if (shown == Clock::time_point{}) {
        std::fprintf(stderr, "the pane shows %lld of %lld characters\n",
                     static_cast<long long>(pane->toPlainText().size()),
                     static_cast<long long>(shownLength));
        return 0;
    }
    return Seconds(shown - start);
}

// Gaps in milliseconds between the characters of one command as they reach the line.
std::vector<double> SendGaps(const Pty& pty, const QString& command) {
    using namespace tavrin;
    const std::size_t expected = static_cast<std::size_t>(command.size()) + 1; // and a NUL
    std::vector<Clock::time_point> arrivals;
    std::thread reader([&] {
        char byte[64];
        while (arrivals.size() < expected) {
            pollfd fd{pty.master, POLLIN, 0};
            if (poll(&fd, 1, 5000) != 1)
                return;
            const ssize_t n = read(pty.master, byte, sizeof byte);
            if (n <= 0)
                return;
            const auto now = Clock::now();
            for (ssize_t i = 0; i < n; ++i)
                arrivals.push_back(now);
        }
    });
    Quelt->Edit_Data->setText(command);
    Quelt->Button_Send->click();
    reader.join();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < arrivals.size(); ++i)
        gaps.push_back(Seconds(arrivals[i] - arrivals[i - 1]) * 1000);
    return gaps;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tavrin;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir config; // nothing of the user's configuration is read or written
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Pty programPty;
    Pty rawPty;
    if (programPty.master < 0 || rawPty.master < 0)
        return 1;
    const std::string dosdevices = config.path().toStdString() + "/tavrin/dosdevices";
    std::filesystem::create_directories(dosdevices);
    std::filesystem::create_symlink(ttyname(programPty.slave), dosdevices + "/com1");

    QApplication application(argc, argv);
    QtApplication program;
    program.CreateForm(Quelt);
    Quelt->show();
    Quelt->ComPort->SetPort("COM1");
    Quelt->AbrirPorta1->trigger();
    if (!Quelt->ComPort->Connected()) {
        std::fprintf(stderr, "COM1 did not open\n");
        return 1;
    }

    const std::string data = Lines(kFlood);
    // CR LF shows as one line break.
    qsizetype shownLength = 0;
    for (std::size_t i = 0; i < data.size(); ++i)
        shownLength += data[i] == '\n' ? 0 : 1;

    ProbeFilter probe;
    Quelt->Edit_Data->installEventFilter(&probe);
    std::vector<double> rawSeconds, programSeconds, ratios, monitorSeconds, monitorRatios;
    double maxDelay = 0;
    for (int round = 0; round < rounds; ++round) {
        const double raw = RawFlood(rawPty, data);
        probe.maxDelayMs = 0;
        const double shown = ProgramFlood(programPty, data, shownLength);
        maxDelay = std::max(maxDelay, probe.maxDelayMs);
        rawSeconds.push_back(raw);
        programSeconds.push_back(shown);
        ratios.push_back(shown > 0 ? raw / shown : 0);
        std::printf("round %d: raw %.3f s, program %.3f s, slowest answer to input %.1f ms\n",
                    round + 1, raw, shown, probe.maxDelayMs);
        // The same flood with a fresh monitor shown; it goes before the next round, so that
        // the rounds without it have nobody listening.
        Quelt->MonitordaLinha1->trigger();
        QCoreApplication::processEvents();
        const double monitored = ProgramFlood(programPty, data, shownLength);
        monitorSeconds.push_back(monitored);
        monitorRatios.push_back(shown > 0 ? monitored / shown : 0);
        std::printf("round %d: with the monitor %.3f s, %lld rows\n", round + 1, monitored,
                    static_cast<long long>(FormMonitor->Model->rowCount()));
        std::fflush(stdout);
        delete FormMonitor;
    }

    std::vector<double> firstGaps, laterGaps;
    for (int round = 0; round < rounds; ++round) {
        const std::vector<double> gaps = SendGaps(programPty, QStringLiteral("abcdefghij"));
        if (gaps.empty())
            continue;
        firstGaps.push_back(gaps.front());
        laterGaps.insert(laterGaps.end(), gaps.begin() + 1, gaps.end());
    }
    Quelt->FecharPorta1->trigger();

    std::printf("bench: the program showing a 10 MiB flood against a raw reader, %d rounds\n",
                rounds);
    std::printf("gui_flood_raw_10mib_s: %.3f\n", Median(rawSeconds));
    std::printf("gui_flood_ratio: %.3f\n", Median(ratios));
    std::printf("send_gap_median_ms: %.1f\n", Median(laterGaps));
    std::printf("send_first_gap_ms: %.1f\n", firstGaps.empty() ? 0.0 : firstGaps.front());
    std::printf("gui_flood_10mib_s: %.3f\n", Median(programSeconds));
    std::printf("gui_max_input_delay_ms: %.1f\n", maxDelay);
    std::printf("gui_flood_10mib_monitor_s: %.3f\n", Median(monitorSeconds));
    std::printf("monitor_flood_ratio: %.3f\n", Median(monitorRatios));
    return 0;
}
