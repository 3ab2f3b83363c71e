#include "tools/board/PtyBoard.h"

#include "tools/board/PtySettings.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace tavrin::board {

PtyBoard::PtyBoard(std::string link) : link_(std::move(link)) {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::lock_guard guard(lock_);
    failed_ = wake_ < 0 || !Plug();
}

PtyBoard::~PtyBoard() {
    host_.reset();
    std::lock_guard guard(lock_);
    Unplug();
    if (wake_ >= 0)
        close(wake_);
}

bool PtyBoard::Plug() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        std::perror("tavrin-board: pseudo-terminal");
        Unplug();
        return false;
    }
    const char* name = ptsname(master_);
    // The board keeps the terminal side open itself: the pair then stays usable while the
    // other program closes and reopens the port.
    slave_ = name != nullptr ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave_ < 0) {
        std::perror("tavrin-board: pseudo-terminal");
        Unplug();
        return false;
    }
    // Raw until the other program sets it up, so nothing is echoed or translated meanwhile.
    struct termios raw {};
    if (tcgetattr(slave_, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetspeed(&raw, B9600);
        tcsetattr(slave_, TCSANOW, &raw);
    }
    // A full terminal buffer (nobody reading) loses the board's characters, as a UART's
    // overrun would, rather than stopping the board.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    const std::string temporary = link_ + ".new";
    unlink(temporary.c_str());
    if (symlink(name, temporary.c_str()) != 0 || rename(temporary.c_str(), link_.c_str()) != 0) {
        std::fprintf(stderr, "tavrin-board: cannot link %s: %s\n", link_.c_str(),
                     std::strerror(errno));
        Unplug();
        return false;
    }
    std::printf("tavrin-board: placa em %s (%s)\n", link_.c_str(), name);
    std::fflush(stdout);
    return true;
}

void PtyBoard::Unplug() {
    char target[256];
    const ssize_t length = readlink(link_.c_str(), target, sizeof target - 1);
    if (length > 0 && master_ >= 0) {
        target[length] = '\0';
        const char* name = ptsname(master_);
        if (name != nullptr && std::strcmp(name, target) == 0)
            unlink(link_.c_str());
    }
    for (int* fd : {&master_, &slave_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void PtyBoard::Wake() {
    const std::uint64_t one = 1;
    if (write(wake_, &one, sizeof one) < 0) {
        // Already readable: the main thread is woken anyway.
    }
}

void PtyBoard::Send(std::uint8_t byte, const UartSettings& uart, int flippedBit) {
    std::lock_guard guard(lock_);
    if (master_ < 0)
        return;
    UartSettings receiver;
    if (!ReadPtySettings(master_, receiver))
        receiver = uart;
    // A pseudo-terminal cannot carry a framing or parity mark; the bytes themselves go.
    for (const Arrival& arrival : Transmit(byte, uart, receiver, flippedBit)) {
        if (write(master_, &arrival.byte, 1) != 1)
            break;
    }
}

void PtyBoard::SetPresent(bool present) {
    std::lock_guard guard(lock_);
    wantPresent_ = present;
    Wake();
}

void PtyBoard::Received(const std::uint8_t* bytes, std::size_t count) {
    UartSettings sender;
    {
        std::lock_guard guard(lock_);
        if (master_ < 0 || !ReadPtySettings(master_, sender))
            sender = host_->Uart();
    }
    // A block read at once left the other program together: the host lines the characters
    // up one character time apart, as they would have crossed a real line.
    const auto now = Clock::now();
    for (std::size_t i = 0; i < count; ++i)
        host_->Arrive(bytes[i], sender, now);
}

int PtyBoard::Run() {
    if (failed_)
        return 1;
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGHUP);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    const int signals = signalfd(-1, &ending, SFD_CLOEXEC);
    if (signals < 0) {
        std::perror("tavrin-board: signalfd");
        return 1;
    }
    host_ = std::make_unique<BoardHost>(static_cast<BoardLine&>(*this), 2024);
    std::uint8_t buffer[4096];
    for (;;) {
        int master;
        {
            std::lock_guard guard(lock_);
            master = master_;
        }
        pollfd fds[3] = {{signals, POLLIN, 0}, {wake_, POLLIN, 0}, {master, POLLIN, 0}};
        // A negative descriptor (the board is away) is left out by poll itself.
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("tavrin-board: poll");
            break;
        }
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents != 0) {
            std::uint64_t count;
            if (read(wake_, &count, sizeof count) < 0) {
                // Nothing to take: another wake-up came first.
            }
            std::lock_guard guard(lock_);
            if (wantPresent_ && master_ < 0) {
                if (!Plug())
                    break;
            } else if (!wantPresent_ && master_ >= 0) {
                std::printf("tavrin-board: placa desconectada\n");
                std::fflush(stdout);
                Unplug();
            }
            continue; // the descriptor may have changed
        }
        if ((fds[2].revents & POLLIN) != 0) {
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got > 0)
                Received(buffer, static_cast<std::size_t>(got));
        } else if (fds[2].revents != 0) {
            // We hold the terminal side ourselves, so a hang-up is not expected; waiting on
            // a descriptor that stays hung up would spin.
            std::fprintf(stderr, "tavrin-board: terminal lost\n");
            break;
        }
    }
    close(signals);
    return 0;
}

} // namespace tavrin::board
