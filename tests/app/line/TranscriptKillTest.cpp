// The transcript of a program that is killed: the real program, on a virtual X display,
// records with --log while the other end of its line floods it; SIGKILL leaves no chance
// to write anything more, so the file shows what reached it while the program ran.

#include "TranscriptReader.h"
#include "app/line/Transcript.h"
#include "support/PipedChild.h"
#include "support/SerialPeer.h"
#include "support/SocatPair.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tavrin::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Runs `args` with `extra` added to the environment; -1 when it could not start.
pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& extra) {
    std::vector<std::string> env(extra);
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry); // the first of equal names wins
    std::vector<char*> envp = ArgvOf(env);
    std::vector<char*> argv = ArgvOf(args);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    return pid;
}

// Ends a child of ours and collects it.
void Kill(pid_t& pid, int signal = SIGKILL) {
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

// A virtual X server of the test's own; it tells its display number on a pipe once it
// takes clients.
class VirtualDisplay {
public:
    VirtualDisplay() {
        child_ = SpawnPiped({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"});
        if (child_.pid < 0)
            return;
        std::string number;
        pollfd fd{child_.fromChild, POLLIN, 0};
        char ch;
        while (::poll(&fd, 1, 20000) == 1 && ::read(child_.fromChild, &ch, 1) == 1 && ch != '\n')
            number += ch;
        if (!number.empty())
            name_ = ":" + number;
    }
    ~VirtualDisplay() {
        Kill(child_.pid, SIGTERM);
        ::close(child_.toChild);
        ::close(child_.fromChild);
    }
    const std::string& Name() const { return name_; } // empty when it did not start

private:
    PipedChild child_;
    std::string name_;
};

// Blocks on inotify until `holds` is true of the file's content, or the deadline passes.
bool WaitForContent(const std::string& path, const std::function<bool(const std::string&)>& holds,
                    std::chrono::seconds deadline) {
    const int watch = ::inotify_init1(IN_CLOEXEC);
    const std::string folder = path.substr(0, path.rfind('/'));
    ::inotify_add_watch(watch, folder.c_str(), IN_MODIFY | IN_CREATE | IN_CLOSE_WRITE);
    const auto end = Clock::now() + deadline;
    bool held = false;
    while (!(held = holds(ReadFile(path))) && Clock::now() < end) {
        pollfd fd{watch, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (::poll(&fd, 1, static_cast<int>(std::max<long>(left.count(), 0))) == 1) {
            char events[4096];
            [[maybe_unused]] const ssize_t n = ::read(watch, events, sizeof events);
        }
    }
    ::close(watch);
    return held;
}

// The other end of the line, written to directly: raw, so every byte passes as it is.
int OpenRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

// Writes all of `bytes`, waiting for room, until done or `stop` is set.
bool WriteAll(int fd, std::string_view bytes, const std::atomic<bool>& stop) {
    while (!bytes.empty() && !stop) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd room{fd, POLLOUT, 0};
            ::poll(&room, 1, 200);
        }
    }
    return bytes.empty();
}

// Every value of a byte, over and over, so that a byte lost, doubled or moved shows.
std::string Pattern(std::size_t from, std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((from + i) * 7 % 256);
    return bytes;
}

TEST(TranscriptKillTest, AKilledProgramLeavesEverythingItReceivedUpToTheLastMoments) {
    TempConfig config;
    TempFolder temp;
    SocatPair pair(temp.Path());
    ASSERT_TRUE(pair.Started()) << "socat missing? (scripts/install-deps)";
    ::mkdir(config.DosDevices().c_str(), 0755);
    config.MapCom(1, pair.PortPath());
    VirtualDisplay display;
    ASSERT_FALSE(display.Name().empty()) << "Xvfb missing? (scripts/install-deps)";
    const std::string log = temp.Path() + "/sessao.tsv";
    pid_t program = Spawn(
        {TAVRIN_PROGRAM, "--port", "COM1", "--log", log},
        {"DISPLAY=" + display.Name(), "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + config.Home()});
    ASSERT_GT(program, 0);
    struct Reap {
        pid_t& pid;
        ~Reap() { Kill(pid); }
    } reap{program};
    ASSERT_TRUE(WaitForContent(
        log, [](const std::string& text) { return text.find("tempo_ms\t") != std::string::npos; },
        std::chrono::seconds(30)));

    // "Conexão" > "Abrir Porta", as a user opens the port with the mouse and the keyboard.
    // The keys go once the menu, a second window of the program, has appeared (X tells
    // nobody, so it is looked for every tenth of a second); a click that came before the
    // window could take it is made again.
    const std::string gesture =
        "export DISPLAY=" + display.Name() +
        "; windows() { xdotool search --onlyvisible --classname '^tavrin$' | wc -l; };"
        " for attempt in 1 2 3 4 5; do"
        " timeout 30 xdotool search --sync --onlyvisible --name '^Tavrin 1.0 - '"
        " mousemove --window %1 30 12 click 1 || exit 1;"
        " for look in $(seq 30); do"
        " if [ $(windows) -ge 2 ]; then xdotool key Down Return; exit 0; fi; sleep 0.1;"
        " done; done; exit 1";
    ASSERT_EQ(std::system(("(" + gesture + ") >/dev/null").c_str()), 0);
    ASSERT_TRUE(WaitForContent(
        log,
        [](const std::string& text) {
            return text.find("porta aberta: COM1") != std::string::npos;
        },
        std::chrono::seconds(30)))
        << ReadFile(log);

    const int peer = OpenRaw(pair.PeerPath());
    ASSERT_GE(peer, 0);
    // A first flood, then a pause: all of it must reach the file while the program runs,
    // also its last rows, which no 64 KiB buffer fills up to be written.
    const std::size_t firstSize = 300 * 1000 + 123;
    std::atomic<bool> stop{false};
    ASSERT_TRUE(WriteAll(peer, Pattern(0, firstSize), stop));
    const std::string firstHex = HexBytes(Pattern(0, firstSize));
    ASSERT_TRUE(WaitForContent(
        log,
        [&](const std::string& text) {
            return ParseTranscript(text).ReceivedHex().size() >= firstHex.size();
        },
        std::chrono::seconds(60)))
        << "the first flood never reached the file whole";

    // A second flood, and the program killed in the middle of it.
    std::thread flood([&] {
        for (std::size_t at = firstSize; !stop; at += 4096)
            WriteAll(peer, Pattern(at, 4096), stop);
    });
    const std::size_t shown = ReadFile(log).size();
    WaitForContent(
        log, [&](const std::string& text) { return text.size() > shown + 100000; },
        std::chrono::seconds(30));
    Kill(program);
    stop = true;
    flood.join();
    ::close(peer);

    const std::string content = ReadFile(log);
    const ParsedTranscript parsed = ParseTranscript(content);
    ExpectWellFormed(parsed); // every complete line; a last one cut short is set apart
    const std::string received = parsed.ReceivedHex();
    ASSERT_GE(received.size(), firstHex.size());
    EXPECT_EQ(received.substr(0, firstHex.size()), firstHex) << "the first flood, exactly";
    const std::string all = HexBytes(Pattern(0, (received.size() + 1) / 3));
    EXPECT_EQ(received, all) << "then the second, as it came, without gaps";
    EXPECT_GT(received.size(), firstHex.size()) << "the kill came during the second flood";
    EXPECT_EQ(parsed.HasNote("gravação encerrada"), false) << "the program had no time to end it";
}

} // namespace
} // namespace tavrin::testing
