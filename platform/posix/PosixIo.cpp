// The I/O thread: input from the device into the queue, output the kernel could not take at
// once, the end of transmission (EV_TXEMPTY), hang-up and return of the other end.

#include "platform/driver/DcbRules.h"
#include "platform/posix/OutputCheck.h"
#include "platform/posix/PosixComm.h"
#include "platform/posix/PosixTermios.h"
#include "platform/posix/TerminalOpen.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace win::posix {

namespace {
void Drain(int fd) {
    std::uint64_t value = 0;
    while (::read(fd, &value, sizeof value) > 0) {
    }
}
} // namespace

void PosixComm::IoLoop() {
    // Opened with nothing at the other end: watch for it from the start.
    if (traits_.hungUp)
        linkWatch_ = std::make_unique<LinkWatch>(links_);
    for (;;) {
        pollfd fds[5];
        nfds_t count = 0;
        fds[count++] = {wakeFd_, POLLIN, 0};
        fds[count++] = {timerFd_, POLLIN, 0};
        fds[count++] = {settleFd_, POLLIN, 0};
        int device = -1;
        int links = -1;
        bool hungUp;
        bool gone;
        bool output;
        {
            std::lock_guard lock(mutex_);
            hungUp = hungUp_;
            gone = gone_;
            // Held output waits for what releases it (a line change, the queue draining),
            // which wakes this thread; a writable descriptor would wake it for nothing.
            output = PendingOutputLocked() > 0 && !OutputHeldLocked();
        }
        if (!hungUp && !gone) {
            short events = 0;
            // Set before looking at the queue, so that a reader who empties it meanwhile
            // sees the flag and wakes this thread.
            throttled_ = true;
            if (InputRoom() > 0) {
                throttled_ = false;
                events |= POLLIN;
            }
            if (output)
                events |= POLLOUT;
            // Without POLLIN the descriptor still reports a hang-up.
            device = static_cast<int>(count);
            fds[count++] = {fd_, events, 0};
        } else if (hungUp && linkWatch_ && linkWatch_->Valid()) {
            links = static_cast<int>(count);
            fds[count++] = {linkWatch_->Descriptor(), POLLIN, 0};
        }

        if (Poll(fds, count) < 0) {
            if (errno == EINTR)
                continue;
            // Nothing would be received again: the port must learn it, as of an unplug.
            Lose();
            return;
        }
        PosixComm::CountWakeup();
        if (fds[0].revents & POLLIN) {
            Drain(wakeFd_);
            if (stopping_)
                return;
        }
        if (device >= 0 && fds[device].revents != 0) {
            const short revents = fds[device].revents;
            bool alive = true;
            if (revents & POLLIN)
                alive = DrainInput();
            if (revents & (POLLHUP | POLLERR | POLLNVAL))
                alive = false;
            if (!alive)
                HangUp();
            else if (revents & POLLOUT)
                FlushPendingOutput();
        }
        if (fds[1].revents & POLLIN)
            Drain(timerFd_);
        if (fds[2].revents & POLLIN)
            SettleCheck();
        if (links >= 0 && (fds[links].revents & POLLIN))
            TryReattach();
        CheckTransmitted();
    }
}

bool PosixComm::DrainInput() {
    std::lock_guard input(inputMutex_);
    // Marked bytes only shrink when decoded, so what is read always fits.
    const std::size_t room = std::min<std::size_t>(InputRoom(), raw_.size());
    if (room == 0)
        return true;
    const ssize_t n = ::read(fd_, raw_.data(), room);
    if (n > 0) {
        DeliverInput(raw_.data(), static_cast<std::size_t>(n));
        return true;
    }
    // End of file on a terminal is a hang-up; EIO is what a vanished device gives.
    if (n == 0)
        return false;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

void PosixComm::DeliverInput(const std::uint8_t* raw, std::size_t count) {
    bool ignored;
    {
        std::lock_guard lock(mutex_);
        ignored = actions_.dsrSensitivity && !dsrOn_;
    }
    if (ignored) {
        // Nor do the errors of what was thrown away count later.
        if (traits_.errorCounts)
            ReadErrorCounts(fd_, counts_);
        decoder_.Reset();
        return;
    }
    if (traits_.pseudoTerminal) {
        // Nothing to decode and no error counters: the block goes to the queue as it came.
        UpdateInputFlow(static_cast<DWORD>(count));
        Receive(raw, count);
        return;
    }
    decoded_.clear();
    marks_.clear();
    decoder_.Decode(raw, count, decoded_, marks_);
    DWORD errors = 0;
    ErrorCounts now = counts_;
    if (traits_.errorCounts && ReadErrorCounts(fd_, now) == 0) {
        if (now.overrun != counts_.overrun)
            errors |= CE_OVERRUN;
        if (now.bufOverrun != counts_.bufOverrun)
            errors |= CE_RXOVER;
    }
    if (!marks_.empty()) {
        DCB dcb;
        {
            std::lock_guard lock(mutex_);
            dcb = applied_;
        }
        // The marks do not say what went wrong; the counters do, in the order errors are
        // counted by the driver. Without counters a parity error is assumed where parity
        // is on, a framing error elsewhere.
        std::uint64_t breaks = now.brk - counts_.brk;
        std::uint64_t frames = now.frame - counts_.frame;
        std::vector<std::uint8_t> kept;
        kept.reserve(decoded_.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < decoded_.size(); ++i) {
            if (next < marks_.size() && marks_[next].position == i) {
                ++next;
                if (decoded_[i] == 0 && breaks > 0) {
                    --breaks;
                    errors |= CE_BREAK;
                    continue;
                }
                const bool parity = traits_.errorCounts ? frames == 0 : dcb.Parity != NOPARITY;
                if (!parity) {
                    if (frames > 0)
                        --frames;
                    errors |= CE_FRAME;
                } else {
                    errors |= CE_RXPARITY;
                    if (dcb.fParity && dcb.fErrorChar) {
                        kept.push_back(static_cast<std::uint8_t>(dcb.ErrorChar));
                        continue;
                    }
                }
            }
            kept.push_back(decoded_[i]);
        }
        decoded_.swap(kept);
    }
    counts_ = now;
    // Flow is decided before the bytes are queued: whoever sees them there sees it too.
    UpdateInputFlow(static_cast<DWORD>(decoded_.size()));
    if (!decoded_.empty())
        Receive(decoded_.data(), decoded_.size());
    if (errors != 0)
        ReceiveErrors(errors);
}

void PosixComm::FlushPendingOutput() {
    std::lock_guard lock(mutex_);
    if (PendingOutputLocked() == 0 || hungUp_ || OutputHeldLocked())
        return;
    DWORD written = 0;
    const auto pending = static_cast<DWORD>(PendingOutputLocked());
    const DWORD error =
        WriteLocked(reinterpret_cast<const std::uint8_t*>(pendingOutput_.data()) + sentOutput_,
                    pending, written);
    if (error != ERROR_SUCCESS)
        written = pending;
    if (written > 0)
        immediateHeld_ = false;
    sentOutput_ += written;
    if (sentOutput_ == pendingOutput_.size()) {
        pendingOutput_.clear();
        sentOutput_ = 0;
    } else if (sentOutput_ >= pendingOutput_.size() / 2) {
        // Moves at most as much as has been sent since the last time: linear overall.
        pendingOutput_.erase(0, sentOutput_);
        sentOutput_ = 0;
    }
    outputRoom_.notify_all();
}

void PosixComm::CheckTransmitted() {
    {
        std::lock_guard lock(mutex_);
        if (!watchTransmit_ || PendingOutputLocked() > 0)
            return;
        DWORD queued = 0;
        if (!hungUp_ && !gone_ && OutputQueued(fd_, queued) == 0 && queued > 0) {
            ArmTransmitTimer(queued);
            return;
        }
        watchTransmit_ = false;
        immediatePending_ = false;
        checkInterval_ = {};
        if (sending_) {
            // RTS toggle: down once the last character has left.
            sending_ = false;
            DriveControlLinesLocked();
        }
    }
    RaiseEvents(EV_TXEMPTY);
}

void PosixComm::ArmTransmitTimer(DWORD queued) {
    // The kernel cannot say when its queue runs empty; the line time of what it holds is
    // when to ask again. When nothing has left since the last look, output is stalled
    // (XOFF, CTS low): a line change wakes this thread at once, anything else (an XON the
    // kernel takes for itself) is seen at a look that comes ever later (OutputCheck.h).
    itimerspec deadline{};
    if (applied_.fOutxCtsFlow && traits_.modemLines && !ctsOn_) {
        lastQueued_ = queued;
        ::timerfd_settime(timerFd_, 0, &deadline, nullptr);
        return;
    }
    checkInterval_ = NextOutputCheck(CharacterTime(applied_) * (queued + 1), checkInterval_,
                                     queued < lastQueued_);
    lastQueued_ = queued;
    const auto wait = checkInterval_;
    deadline.it_value.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
    deadline.it_value.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    ::timerfd_settime(timerFd_, 0, &deadline, nullptr);
}

void PosixComm::HangUp() {
    {
        std::lock_guard input(inputMutex_);
        decoder_.Reset();
    }
    if (!traits_.pseudoTerminal) {
        Lose();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        hungUp_ = true;
        DropOutputLocked();
        dsrOn_ = false;
        ctsOn_ = false;
    }
    // The cable's other end is gone: its lines drop, and the events wake a pending wait.
    SetModemLines(0);
    linkWatch_ = std::make_unique<LinkWatch>(links_);
    // It may have come back before the folders were watched.
    TryReattach();
}

void PosixComm::Lose() {
    {
        std::lock_guard lock(mutex_);
        gone_ = true;
        DropOutputLocked();
    }
    Disconnect();
}

void PosixComm::TryReattach() {
    if (!linkWatch_ || !linkWatch_->Changed())
        return;
    DeviceTraits traits;
    DWORD error = ERROR_SUCCESS;
    const int fd = OpenTerminal(path_, true, traits, error);
    if (fd < 0)
        return;
    if (traits.hungUp) {
        ::close(fd);
        return;
    }
    {
        std::lock_guard input(inputMutex_);
        std::lock_guard lock(mutex_);
        const DCB dcb = haveApplied_ ? applied_ : DefaultDcb();
        const ApplyResult result = ApplyLineSettings(fd, LineSettingsFor(dcb), false);
        if (result.error != ERROR_SUCCESS || result.systemError != 0) {
            ::close(fd);
            return;
        }
        settled_ = SaveTermios(fd);
        CloseTerminal(fd_, {});
        fd_ = fd;
        // What ClosePort puts back stays what the first open found: a device that has just
        // come back may not be set up yet (its program makes the link first, udev touches
        // it), and settings taken then would leave it cooked once the port lets go.
        hungUp_ = false;
        immediatePending_ = false;
        dsrOn_ = true;
        ctsOn_ = true;
        drivenLines_ = -1;
        decoder_.Reset();
    }
    links_ = ResolveLinks(path_);
    linkWatch_.reset();
    settleChecks_ = 0;
    ArmSettleCheck();
    SetModemLines(kPeerLines);
}

void PosixComm::ArmSettleCheck() {
    // Looks at 50 ms, then ever further apart, about three seconds in all: long enough for
    // the program or the rules that set a new device up, and no wake-ups after that.
    constexpr int kChecks = 6;
    itimerspec deadline{};
    if (settleChecks_ < kChecks) {
        const long ms = 50L << settleChecks_;
        deadline.it_value.tv_sec = ms / 1000;
        deadline.it_value.tv_nsec = (ms % 1000) * 1'000'000;
    }
    ::timerfd_settime(settleFd_, 0, &deadline, nullptr);
}

void PosixComm::SettleCheck() {
    Drain(settleFd_);
    {
        std::lock_guard input(inputMutex_);
        std::lock_guard lock(mutex_);
        if (hungUp_ || gone_ || fd_ < 0)
            return;
        const SavedTermios now = SaveTermios(fd_);
        // Someone else set the device up after the port had: the port's own settings
        // (flow control, framing) go back on, or the port would run with the other's.
        if (now.valid && settled_.valid && now.bytes != settled_.bytes) {
            const DCB dcb = haveApplied_ ? applied_ : DefaultDcb();
            ApplyLineSettings(fd_, LineSettingsFor(dcb), false);
            settled_ = SaveTermios(fd_);
        }
    }
    ++settleChecks_;
    ArmSettleCheck();
}

} // namespace win::posix
