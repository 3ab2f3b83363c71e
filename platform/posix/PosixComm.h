#pragma once

// An open terminal device behind the shared driver core. One I/O thread per port polls the
// descriptor together with an eventfd (and, while a pseudo-terminal's other end is away, an
// inotify descriptor; while characters are leaving, a timerfd) and never wakes up without
// one of them being ready. It drains the device into the core's input queue, but only as far
// as the queue has room: the rest stays in the kernel, whose flow control (or a pseudo-
// terminal's back-pressure) holds the sender until the program reads.
//
// A pseudo-terminal behaves as a null-modem cable: CTS, DSR and RLSD are on while its other
// end is open and drop, with their events, when it hangs up. The port stays usable then
// (what is sent is lost, as on a cable with nothing at its end) and comes back when a new
// device appears under the link it was opened by (LinkWatch.h). Any other device that hangs
// up has gone away: every call fails with CommDriver::kGoneError from then on.

#include "platform/driver/CommDriver.h"
#include "platform/posix/LinkWatch.h"
#include "platform/posix/ParmrkDecoder.h"
#include "platform/posix/PosixLine.h"
#include "platform/posix/PosixTermios.h"
#include "platform/winapi/Waitable.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace win::posix {

class ModemWatch;

struct DeviceTraits {
    bool pseudoTerminal = false; // no modem lines, no framing of its own, can hang up
    bool modemLines = false;     // TIOCMGET works
    bool errorCounts = false;    // TIOCGICOUNT works
    bool hungUp = false;         // the other end was already gone at opening
    SavedTermios found;          // the settings the device had before it was opened
};

class PosixComm : public CommDriver {
public:
    // Takes over `fd` (open, locked, exclusive); `path` is the name it was opened by.
    PosixComm(int fd, std::string path, DeviceTraits traits, bool overlapped);
    ~PosixComm() override;

    // Raw mode with the core's initial settings, then the threads. ERROR_SUCCESS or the
    // code opening fails with.
    DWORD Start();

    DWORD SetupComm(DWORD inQueue, DWORD outQueue) override;
    DWORD ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
    DWORD PurgeComm(DWORD flags) override;
    DWORD GetCommModemStatus(DWORD* modemStat) override;

    // Wake-ups of all I/O threads of the process (lets tests check that none spins).
    static std::uint64_t Wakeups();
    // See FailPolls (PosixDevice.h).
    static void FailNextPoll(int error);

protected:
    DWORD ApplyState(const DCB& dcb) override;
    DWORD ApplyQueueSizes(DWORD inQueue, DWORD outQueue) override;
    DWORD SendImmediate(char ch) override;
    DWORD Send(const std::uint8_t* bytes, DWORD count) override;
    DWORD SendCounted(const std::uint8_t* bytes, DWORD count, DWORD& sent) override;
    DWORD SendNow(const std::uint8_t* bytes, DWORD count, DWORD& sent) override;
    DWORD SendRest(const std::uint8_t* bytes, DWORD count, DWORD already, DWORD& total,
                   const std::atomic<bool>& abort) override;
    void WakeSend() override;
    DWORD PendingOutput() override;
    void DiscardOutput() override;
    void Shutdown() override;
    std::shared_ptr<WaitHelper> InputHelper() override;

private:
    class InputWatch;
    // For InputWatch: the descriptor a waiting thread may watch, or -1.
    int WatchableDescriptor();

    static constexpr DWORD kPeerLines = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
    // The most the I/O thread reads from the device at once, and so the least the input
    // queue holds: with a smaller queue a flood would cost a notification per few bytes.
    static constexpr DWORD kReadBlock = 64 * 1024;
    // The output queue before any SetupComm.
    static constexpr DWORD kDefaultOutQueue = 4096;

    std::size_t PendingOutputLocked() const { return pendingOutput_.size() - sentOutput_; }
    void DropOutputLocked();

    // --- I/O thread (PosixIo.cpp) ----------------------------------------------------------
    void IoLoop();
    static void CountWakeup();
    static int Poll(pollfd* fds, nfds_t count);
    void Wake();
    // Reads what the input queue has room for; false when the device hung up.
    bool DrainInput();
    // A reader has made room in a queue the I/O thread had stopped filling: it refills the
    // queue itself rather than handing that to the I/O thread, which it wakes only when the
    // device has nothing more for now.
    void RefillAfterRead();
    void DeliverInput(const std::uint8_t* raw, std::size_t count);
    void FlushPendingOutput();
    void CheckTransmitted();
    void ArmTransmitTimer(DWORD queued);
    void HangUp();
    // The I/O thread cannot go on (its poll failed): the device is treated as unplugged.
    void Lose();
    void TryReattach();
    void ArmSettleCheck();
    void SettleCheck();

    // --- Flow control done by the driver (PosixFlow.cpp) -----------------------------------
    // Input handshake on RTS/DTR (and the hold of output under fInX without
    // fTXContinueOnXoff) by the fill of the input queue, with `incoming` bytes about to be
    // queued; any thread.
    void UpdateInputFlow(DWORD incoming = 0);
    // The modem lines from the line watcher: DSR decides output flow and sensitivity.
    void OnModemLines(DWORD msBits);
    // Output may not leave now (DSR off under fOutxDsrFlow, or input flow holding the
    // other end under fInX without fTXContinueOnXoff).
    bool OutputHeldLocked() const;
    // DTR and RTS as the control block, input flow and RTS toggle want them.
    void DriveControlLinesLocked();
    // RTS toggle: up before anything leaves.
    void StartOutputLocked();

    // Hands bytes to the kernel and then to the output queue; with `wait` it waits for room
    // in the queue until all are in (or `abort`, if given, is set), else it takes what fits.
    // `queuedBefore`: bytes of the same write an earlier call put in the queue, which a
    // hang-up may still throw away; the result says how many of those it did.
    struct TransferResult {
        DWORD error = ERROR_SUCCESS;
        DWORD taken = 0;  // bytes of this call that left or wait in the queue
        DWORD queued = 0; // of those, the ones that went into the queue
        DWORD lostBefore = 0;
    };
    TransferResult Transfer(const std::uint8_t* bytes, DWORD count, DWORD queuedBefore, bool wait,
                            const std::atomic<bool>* abort);
    // Writes what the kernel takes now; `written` tells how much.
    LineSettings LineSettingsFor(const DCB& dcb) const;
    DWORD WriteLocked(const std::uint8_t* bytes, DWORD count, DWORD& written);

    const std::string path_;
    LinkChain links_; // as they were when the device was (re)opened; I/O thread after Start
    DeviceTraits traits_;

    // Guards the descriptor (replaced when a pseudo-terminal comes back), the output not yet
    // taken by the kernel and the line state below.
    mutable std::mutex mutex_;
    int fd_;
    bool hungUp_ = false;
    bool gone_ = false;
    // Output the kernel has not taken yet: pendingOutput_ from sentOutput_ on. The sent part
    // is dropped only now and then, so a large write costs time in proportion to its size.
    std::string pendingOutput_;
    std::size_t sentOutput_ = 0;
    DWORD outQueueSize_ = kDefaultOutQueue;
    DWORD queuedByNow_ = 0;            // what the last SendNow put in the queue, for its SendRest
    std::uint64_t outputDiscards_ = 0; // counts purges and hang-ups that drop the output
    std::size_t lastDropped_ = 0;      // bytes not yet sent that the last drop threw away
    std::condition_variable outputRoom_;
    bool immediatePending_ = false;
    bool immediateHeld_ = false; // that character waits at the head of pendingOutput_
    bool watchTransmit_ = false;
    DCB applied_{};
    bool haveApplied_ = false;
    LineActions actions_{};
    bool inputHeld_ = false; // input flow holds the other end
    bool dsrOn_ = true;      // as the line watcher last saw them (on where unknown)
    bool ctsOn_ = true;
    bool sending_ = false; // RTS toggle: something is on its way out
    int drivenLines_ = -1; // TIOCM bits last set, -1 before the first time
    // The end-of-transmission check: how much the kernel held last time, and how long to
    // wait before looking again. While nothing leaves (XOFF, CTS low) the wait grows, so a
    // stalled port wakes a few times a second at most.
    DWORD lastQueued_ = 0;
    std::chrono::nanoseconds checkInterval_{};

    // Held while input moves from the kernel to the queue, so that a purge sees no bytes in
    // flight between the two.
    std::mutex inputMutex_;
    ParmrkDecoder decoder_;
    ErrorCounts counts_;
    std::vector<std::uint8_t> raw_;
    std::vector<std::uint8_t> decoded_;
    std::vector<ParmrkDecoder::Mark> marks_;

    int wakeFd_ = -1;
    int timerFd_ = -1;
    // After a reattach: looks at the device now and then until it has settled (SettleCheck).
    int settleFd_ = -1;
    int settleChecks_ = 0;
    SavedTermios settled_; // the device's settings as the port last left them
    std::atomic<bool> throttled_{false};
    std::atomic<bool> stopping_{false};
    std::shared_ptr<InputWatch> inputWatch_; // made by Start, closed by Shutdown
    std::unique_ptr<LinkWatch> linkWatch_;   // I/O thread only
    std::unique_ptr<ModemWatch> modemWatch_;
    std::thread io_;
};

} // namespace win::posix
