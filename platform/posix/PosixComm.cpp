#include "platform/posix/PosixComm.h"

#include "platform/driver/DcbRules.h"
#include "platform/posix/ModemWatch.h"
#include "platform/posix/PosixErrno.h"
#include "platform/posix/PosixTermios.h"
#include "platform/posix/TerminalOpen.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace win::posix {

namespace {
std::atomic<std::uint64_t> wakeups{0};
std::atomic<int> pollFailure{0};
// TransmitCommChar while the character before is still leaving: the Windows serial driver
// refuses it with an invalid-parameter status.
constexpr DWORD kTransmitBusy = ERROR_INVALID_PARAMETER;
} // namespace

// Lets the thread that waits for the port's events read the device itself when input
// comes, instead of being woken by the I/O thread after it has read it: the I/O thread keeps
// watching too, and whichever runs first moves the bytes.
class PosixComm::InputWatch : public WaitHelper {
public:
    explicit InputWatch(PosixComm* port) : port_(port) {}

    int Descriptor() override {
        std::lock_guard lock(mutex_);
        return port_ ? port_->WatchableDescriptor() : -1;
    }
    bool Serve() override {
        std::lock_guard lock(mutex_);
        // Room left after the read: the device may be watched again without spinning on
        // input that has nowhere to go.
        return port_ && port_->DrainInput() && port_->InputRoom() > 0;
    }
    // The port is going: a waiter that still holds this finds nothing to watch.
    void Close() {
        std::lock_guard lock(mutex_);
        port_ = nullptr;
    }

private:
    std::mutex mutex_;
    PosixComm* port_;
};

std::uint64_t PosixComm::Wakeups() {
    return wakeups.load();
}

void PosixComm::CountWakeup() {
    ++wakeups;
}

void PosixComm::FailNextPoll(int error) {
    pollFailure = error;
}

int PosixComm::Poll(pollfd* fds, nfds_t count) {
    if (const int error = pollFailure.exchange(0)) {
        errno = error;
        return -1;
    }
    return ::poll(fds, count, -1);
}

PosixComm::PosixComm(int fd, std::string path, DeviceTraits traits, bool overlapped)
    : CommDriver(overlapped), path_(std::move(path)), links_(ResolveLinks(path_)), traits_(traits),
      fd_(fd), hungUp_(traits.hungUp) {}

PosixComm::~PosixComm() {
    Shutdown();
    // Kept until now: a call that was under way when the handle closed may still wake.
    for (int fd : {wakeFd_, timerFd_, settleFd_}) {
        if (fd >= 0)
            ::close(fd);
    }
}

DWORD PosixComm::Start() {
    // Until the program configures it, the device is raw at the driver's initial settings:
    // a terminal left cooked would echo what arrives back to the sender.
    if (DWORD error = ApplyState(DefaultDcb()))
        return error;
    DWORD lines = 0;
    if (traits_.modemLines)
        ReadModemLines(fd_, lines);
    else if (traits_.pseudoTerminal && !hungUp_)
        lines = kPeerLines;
    InitModemLines(lines);
    {
        std::lock_guard lock(mutex_);
        dsrOn_ = (lines & MS_DSR_ON) != 0;
        ctsOn_ = (lines & MS_CTS_ON) != 0;
    }

    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    settleFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (wakeFd_ < 0 || timerFd_ < 0 || settleFd_ < 0)
        return Win32FromErrno(errno);
    SetInQueueFloor(kReadBlock);
    inputWatch_ = std::make_shared<InputWatch>(this);
    // The event thread may drain the device as soon as the port is open, before the I/O
    // thread has run at all: the read buffer is there before either starts.
    raw_.resize(kReadBlock);
    io_ = std::thread(&PosixComm::IoLoop, this);
    if (traits_.modemLines)
        modemWatch_ = std::make_unique<ModemWatch>(fd_, [this](DWORD ms) { OnModemLines(ms); });
    return ERROR_SUCCESS;
}

void PosixComm::Shutdown() {
    if (inputWatch_)
        inputWatch_->Close();
    {
        // A write waiting for room in the output queue ends with the handle.
        std::lock_guard lock(mutex_);
        stopping_ = true;
        outputRoom_.notify_all();
    }
    if (io_.joinable()) {
        Wake();
        io_.join();
    }
    modemWatch_.reset();
    // The device is left as it was found, open to other programs again.
    std::lock_guard lock(mutex_);
    CloseTerminal(fd_, traits_.found);
    fd_ = -1;
}

std::shared_ptr<WaitHelper> PosixComm::InputHelper() {
    return inputWatch_;
}

int PosixComm::WatchableDescriptor() {
    if (InputRoom() == 0)
        return -1;
    std::lock_guard lock(mutex_);
    return hungUp_ || gone_ || stopping_ ? -1 : fd_;
}

void PosixComm::Wake() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) [[maybe_unused]]
        auto written = ::write(wakeFd_, &one, sizeof one);
}

DWORD PosixComm::SetupComm(DWORD inQueue, DWORD outQueue) {
    DWORD error;
    {
        // The I/O thread reads only what the queue has room for and queues it under this
        // lock: a smaller size taking effect in between would turn bytes already read from
        // the kernel into an overflow.
        std::lock_guard input(inputMutex_);
        error = CommDriver::SetupComm(inQueue, outQueue);
    }
    UpdateInputFlow();
    if (throttled_.load())
        Wake();
    return error;
}

DWORD PosixComm::ApplyQueueSizes(DWORD, DWORD outQueue) {
    std::lock_guard lock(mutex_);
    if (outQueue != 0) {
        outQueueSize_ = outQueue;
        outputRoom_.notify_all();
    }
    return ERROR_SUCCESS;
}

DWORD PosixComm::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    const DWORD error = CommDriver::ReadFile(buffer, toRead, read, overlapped);
    UpdateInputFlow();
    // The read took bytes from a full queue: the rest waiting in the kernel may come now.
    if (throttled_.load())
        RefillAfterRead();
    return error;
}

void PosixComm::RefillAfterRead() {
    {
        std::lock_guard lock(mutex_);
        if (hungUp_ || gone_ || stopping_ || fd_ < 0)
            return;
    }
    // Still full after the refill: the I/O thread is right to leave the device alone, and
    // waking it would only cost a hand-off. Otherwise it must watch the device again (and it
    // is the one that handles a hang-up).
    if (DrainInput() && InputRoom() == 0)
        return;
    Wake();
}

DWORD PosixComm::PurgeComm(DWORD flags) {
    DWORD error;
    if (flags & PURGE_RXCLEAR) {
        // Nothing read from the kernel may reach the queue after it has been cleared.
        std::lock_guard input(inputMutex_);
        {
            std::lock_guard lock(mutex_);
            if (!hungUp_ && !gone_ && fd_ >= 0)
                FlushInput(fd_);
        }
        decoder_.Reset();
        error = CommDriver::PurgeComm(flags);
    } else {
        error = CommDriver::PurgeComm(flags);
    }
    UpdateInputFlow();
    if (throttled_.load())
        Wake();
    return error;
}

DWORD PosixComm::GetCommModemStatus(DWORD* modemStat) {
    if (traits_.modemLines) {
        // A driver without TIOCMIWAIT reports no changes by itself: asking reads them anew.
        DWORD lines = 0;
        int error;
        {
            std::lock_guard lock(mutex_);
            error = gone_ || fd_ < 0 ? EIO : ReadModemLines(fd_, lines);
        }
        if (error == 0)
            SetModemLines(lines);
    }
    return CommDriver::GetCommModemStatus(modemStat);
}

LineSettings PosixComm::LineSettingsFor(const DCB& dcb) const {
    LineSettings settings = LinePlanOf(dcb).settings;
    settings.markErrors = !traits_.pseudoTerminal;
    return settings;
}

DWORD PosixComm::ApplyState(const DCB& dcb) {
    {
        std::lock_guard lock(mutex_);
        // With nothing at the end of the cable the settings are kept for when it comes back.
        if (!hungUp_) {
            const ApplyResult result =
                ApplyLineSettings(fd_, LineSettingsFor(dcb), !traits_.pseudoTerminal);
            if (result.error != ERROR_SUCCESS)
                return result.error;
            if (result.systemError != 0 && !(traits_.pseudoTerminal && result.systemError == EIO))
                return Win32FromErrno(result.systemError);
        }
        applied_ = dcb;
        haveApplied_ = true;
        actions_ = LinePlanOf(dcb).actions;
        if (!actions_.rtsToggle)
            sending_ = false;
        drivenLines_ = -1;
        DriveControlLinesLocked();
    }
    // New limits or a handshake switched on or off.
    UpdateInputFlow();
    Wake();
    return ERROR_SUCCESS;
}

DWORD PosixComm::WriteLocked(const std::uint8_t* bytes, DWORD count, DWORD& written) {
    written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd_, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<DWORD>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else if (traits_.pseudoTerminal && n < 0 && errno == EIO) {
            // The other end has just gone (the I/O thread sees the hang-up): what did not
            // leave is lost, and the writer is told, as of a device that vanished.
            return kGoneError;
        } else {
            return n < 0 ? Win32FromErrno(errno) : ERROR_GEN_FAILURE;
        }
    }
    return ERROR_SUCCESS;
}

DWORD PosixComm::SendImmediate(char ch) {
    std::lock_guard lock(mutex_);
    if (hungUp_)
        return kGoneError;
    if (immediatePending_) {
        DWORD queued = 0;
        if (immediateHeld_ || (OutputQueued(fd_, queued) == 0 && queued > 0))
            return kTransmitBusy;
        immediatePending_ = false;
    }
    StartOutputLocked();
    if (OutputHeldLocked()) {
        // It leaves first once output may go again.
        pendingOutput_.insert(pendingOutput_.begin() + static_cast<std::ptrdiff_t>(sentOutput_),
                              ch);
        immediateHeld_ = true;
        immediatePending_ = true;
        watchTransmit_ = true;
        return ERROR_SUCCESS;
    }
    const ssize_t n = ::write(fd_, &ch, 1);
    if (n != 1) {
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return kTransmitBusy;
        if (n < 0 && traits_.pseudoTerminal && errno == EIO)
            return kGoneError;
        if (n < 0)
            return Win32FromErrno(errno);
    }
    immediatePending_ = true;
    watchTransmit_ = true;
    Wake();
    return ERROR_SUCCESS;
}

DWORD PosixComm::Send(const std::uint8_t* bytes, DWORD count) {
    DWORD sent = 0;
    return SendCounted(bytes, count, sent);
}

DWORD PosixComm::SendCounted(const std::uint8_t* bytes, DWORD count, DWORD& sent) {
    const TransferResult result = Transfer(bytes, count, 0, true, nullptr);
    sent = result.taken;
    return result.error;
}

DWORD PosixComm::SendNow(const std::uint8_t* bytes, DWORD count, DWORD& sent) {
    const TransferResult result = Transfer(bytes, count, 0, false, nullptr);
    sent = result.taken;
    std::lock_guard lock(mutex_);
    queuedByNow_ = result.queued;
    return result.error;
}

DWORD PosixComm::SendRest(const std::uint8_t* bytes, DWORD count, DWORD already, DWORD& total,
                          const std::atomic<bool>& abort) {
    DWORD queuedBefore = 0;
    if (already > 0) {
        std::lock_guard lock(mutex_);
        queuedBefore = queuedByNow_;
    }
    const TransferResult result =
        Transfer(bytes + already, count - already, queuedBefore, true, &abort);
    total = already - result.lostBefore + result.taken;
    return result.error;
}

void PosixComm::WakeSend() {
    // Under the lock: a writer between looking at its abort flag and sleeping still hears it.
    std::lock_guard lock(mutex_);
    outputRoom_.notify_all();
}

PosixComm::TransferResult PosixComm::Transfer(const std::uint8_t* bytes, DWORD count,
                                              DWORD queuedBefore, bool wait,
                                              const std::atomic<bool>* abort) {
    std::unique_lock lock(mutex_);
    TransferResult result;
    // A terminal whose other end has gone takes nothing: the writer must not believe that
    // what it sent reached anyone.
    if (hungUp_ || gone_) {
        result.error = kGoneError;
        return result;
    }
    if (count == 0)
        return result;
    StartOutputLocked();
    DWORD done = 0;
    if (PendingOutputLocked() == 0 && !OutputHeldLocked()) {
        result.error = WriteLocked(bytes, count, done);
        result.taken = done;
        if (result.error != ERROR_SUCCESS)
            return result;
    }
    const DWORD direct = done;
    // Whatever the kernel took is leaving: EV_TXEMPTY tells when it has gone.
    watchTransmit_ = true;
    Wake();
    const std::uint64_t discards = outputDiscards_;
    const auto aborted = [&] { return abort != nullptr && abort->load(); };
    while (done < count) {
        // The rest goes out as the kernel takes it, through a queue of the size SetupComm
        // gave; WriteFile counts it written, as a driver with an output buffer does. What
        // does not fit waits for room, as a Windows write stays pending until its data has
        // gone into the driver's buffer.
        const std::size_t queued = PendingOutputLocked();
        if (queued < outQueueSize_) {
            const auto take =
                static_cast<DWORD>(std::min<std::size_t>(count - done, outQueueSize_ - queued));
            pendingOutput_.append(reinterpret_cast<const char*>(bytes) + done, take);
            done += take;
            watchTransmit_ = true;
            Wake();
            continue;
        }
        if (!wait)
            break;
        outputRoom_.wait(lock, [&] {
            return PendingOutputLocked() < outQueueSize_ || hungUp_ || gone_ || stopping_ ||
                   outputDiscards_ != discards || aborted();
        });
        if (hungUp_ || gone_ || outputDiscards_ != discards) {
            // The write's bytes are the last ones queued, so those a drop threw away are
            // the end of them: first this call's, then the ones queued before it.
            const DWORD queuedHere = done - direct;
            const std::size_t dropped = lastDropped_;
            const auto lostHere = static_cast<DWORD>(std::min<std::size_t>(dropped, queuedHere));
            result.lostBefore =
                static_cast<DWORD>(std::min<std::size_t>(dropped - lostHere, queuedBefore));
            result.taken = done - lostHere;
            result.queued = queuedHere - lostHere;
            result.error = hungUp_ || gone_ ? kGoneError : ERROR_OPERATION_ABORTED;
            return result;
        }
        if (stopping_ || aborted()) {
            result.error = ERROR_OPERATION_ABORTED;
            break;
        }
    }
    result.taken = done;
    result.queued = done - direct;
    return result;
}

DWORD PosixComm::PendingOutput() {
    std::lock_guard lock(mutex_);
    DWORD queued = 0;
    // Nothing written since the kernel's queue was last seen empty: asking again would cost a
    // system call on every look at the input queue.
    if (watchTransmit_ && !hungUp_ && !gone_ && fd_ >= 0)
        OutputQueued(fd_, queued);
    return queued + static_cast<DWORD>(PendingOutputLocked());
}

void PosixComm::DropOutputLocked() {
    lastDropped_ = PendingOutputLocked();
    pendingOutput_.clear();
    sentOutput_ = 0;
    immediateHeld_ = false;
    ++outputDiscards_;
    outputRoom_.notify_all();
}

void PosixComm::DiscardOutput() {
    std::lock_guard lock(mutex_);
    DropOutputLocked();
    if (!hungUp_ && !gone_ && fd_ >= 0)
        FlushOutput(fd_);
}

} // namespace win::posix
