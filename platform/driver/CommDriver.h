#pragma once

// The Win32 serial-driver behaviour that every backend shares: the input queue sized by
// SetupComm, reads ended by COMMTIMEOUTS (by a timer, never by polling), writes that stay
// pending while the line cannot take them (finished in order by a writer thread), the event
// mask and the one pending WaitCommEvent, PurgeComm, the error flags of ClearCommError,
// EvtChar, fNull, 80-percent-full and overlapped completion.
//
// A backend derives from CommDriver, implements the hooks that reach its hardware, and
// feeds the driver what happens on the line: Receive, ReceiveErrors, SetModemLines,
// RaiseEvents, Disconnect. The hooks are never called with the driver's lock held, so a
// backend may call the feeding functions while holding a lock of its own.

#include "platform/driver/CommDriverRing.h"
#include "platform/driver/ReadTimeouts.h"
#include "platform/winapi/CommDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace win {

class Event;
class WaitHelper;

class CommDriver : public CommDevice {
public:
    // Every call on a device that has gone (Disconnect) fails with this code: it is what
    // Windows reports for a USB serial adapter that was pulled out ("The device does not
    // recognize the command"). Transfers pending at that moment end with
    // ERROR_OPERATION_ABORTED, as the driver cancels them.
    static constexpr DWORD kGoneError = ERROR_BAD_COMMAND;
    // The input queue before any SetupComm.
    static constexpr DWORD kDefaultQueueSize = 4096;

    // `overlapped`: the handle was opened with FILE_FLAG_OVERLAPPED. Without it, and for
    // a call given no OVERLAPPED, a transfer blocks until it completes.
    explicit CommDriver(bool overlapped);
    ~CommDriver() override;

    DWORD SetupComm(DWORD inQueue, DWORD outQueue) override;
    DWORD GetCommState(DCB* dcb) override;
    DWORD SetCommState(const DCB* dcb) override;
    DWORD GetCommTimeouts(COMMTIMEOUTS* timeouts) override;
    DWORD SetCommTimeouts(const COMMTIMEOUTS* timeouts) override;
    DWORD ClearCommError(DWORD* errors, COMSTAT* stat) override;
    DWORD GetCommModemStatus(DWORD* modemStat) override;
    DWORD SetCommMask(DWORD eventMask) override;
    DWORD GetCommMask(DWORD* eventMask) override;
    DWORD WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) override;
    DWORD PurgeComm(DWORD flags) override;
    DWORD TransmitCommChar(char ch) override;
    DWORD ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) override;
    DWORD WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                    OVERLAPPED* overlapped) override;
    DWORD GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, bool wait) override;

    // --- Fed by the backend, from any thread ---------------------------------------------
    // Bytes from the line: handed to a waiting read or queued (EV_RXCHAR, EV_RXFLAG for
    // EvtChar, EV_RX80FULL from 80 percent of the queue; past the queue size bytes are
    // lost and CE_RXOVER with EV_ERR reports it). NUL bytes are dropped under fNull.
    void Receive(const std::uint8_t* bytes, std::size_t count);
    // Line errors (CE_* bits): EV_ERR, and EV_BREAK for CE_BREAK.
    void ReceiveErrors(DWORD ceBits);
    // The modem lines now (MS_* bits): a change of CTS, DSR or RLSD raises its event, the
    // end of a ring indication EV_RING.
    void SetModemLines(DWORD modemStatus);
    // Events the backend detects itself (EV_TXEMPTY, EV_BREAK, ...).
    void RaiseEvents(DWORD events);
    // The device is gone for good: see kGoneError.
    void Disconnect();

    // --- Inspection, from any thread ------------------------------------------------------
    DWORD InQueueSize() const;
    DWORD QueuedInput() const;
    // Bytes the queue can take now without losing any.
    DWORD InputRoom() const;
    DWORD EventMask() const;

protected:
    // --- Backend hooks (Win32 code; ERROR_SUCCESS to go on) -------------------------------
    // A validated control block; on failure the device keeps its previous one.
    virtual DWORD ApplyState(const DCB&) { return ERROR_SUCCESS; }
    virtual DWORD ApplyQueueSizes(DWORD, DWORD) { return ERROR_SUCCESS; }
    // One character ahead of any queued output.
    virtual DWORD SendImmediate(char ch) = 0;
    // Bytes for the line; they count as written when this returns ERROR_SUCCESS.
    virtual DWORD Send(const std::uint8_t* bytes, DWORD count) = 0;
    // The same, also saying how many of the bytes left when it fails: a write that cannot
    // reach the device counts only those. By default a failure sent none.
    virtual DWORD SendCounted(const std::uint8_t* bytes, DWORD count, DWORD& sent) {
        const DWORD error = Send(bytes, count);
        sent = error == ERROR_SUCCESS ? count : 0;
        return error;
    }
    // What a write takes at once, without waiting for room (the kernel, an output queue);
    // `sent` tells how many. A write that cannot put everything down is pending, and the
    // writer thread hands the rest to SendRest. By default everything goes at once.
    virtual DWORD SendNow(const std::uint8_t* bytes, DWORD count, DWORD& sent) {
        return SendCounted(bytes, count, sent);
    }
    // The rest of a pending write, whose first `already` bytes SendNow took: it may wait for
    // room as long as the line needs, but it ends with ERROR_OPERATION_ABORTED once `abort`
    // is set and WakeSend has been called. `total` counts the bytes of the whole write that
    // left or will leave, which at a hang-up can be fewer than `already`.
    virtual DWORD SendRest(const std::uint8_t* bytes, DWORD count, DWORD already, DWORD& total,
                           const std::atomic<bool>& abort) {
        (void)abort;
        DWORD sent = 0;
        const DWORD error = SendCounted(bytes + already, count - already, sent);
        total = already + sent;
        return error;
    }
    // A SendRest waiting for room must look at its abort flag again.
    virtual void WakeSend() {}
    virtual DWORD PendingOutput() { return 0; }
    virtual void DiscardOutput() {}
    // The handle has been closed and nothing is pending any more.
    virtual void Shutdown() {}
    // What a thread waiting for a pending WaitCommEvent may do itself to bring in input
    // (Waitable.h); none by default. Called with the driver's lock held: it must only
    // return an object made beforehand.
    virtual std::shared_ptr<WaitHelper> InputHelper() { return nullptr; }

    // The lines as they are when the device opens, without events.
    void InitModemLines(DWORD modemStatus);
    // The least the input queue holds whatever SetupComm asks (Windows takes the sizes as a
    // recommendation). A backend that reads in large blocks sets it, so that a small queue
    // does not cut every block into small notifications; EV_RX80FULL still counts from the
    // size asked for.
    void SetInQueueFloor(DWORD bytes);

    void OnClose() override;

private:
    using Clock = std::chrono::steady_clock;
    struct Op;
    using OpPtr = std::shared_ptr<Op>;

    DWORD UsableLocked() const;
    static DWORD NewOp(OVERLAPPED* overlapped, OpPtr& op);
    void CompleteLocked(const OpPtr& op, DWORD status);
    DWORD AwaitLocked(std::unique_lock<std::mutex>& lock, const OpPtr& op, DWORD* count);

    // Writes (CommDriverWrite.cpp). Aborting marks every pending write; those the writer
    // has not reached end at once, the one it is sending ends once WakeSend has reached it.
    void AbortWritesLocked(DWORD status);
    void StartWriterLocked();
    void WriterLoop();
    void StopWriter();

    void StartHeadReadLocked(Clock::time_point now);
    void FinishHeadReadLocked(Clock::time_point now);
    void AbortReadsLocked(DWORD status);
    void AbortWaitLocked(DWORD status);
    void DeliverLocked(const std::uint8_t* bytes, std::size_t count, Clock::time_point now,
                       DWORD& events);
    DWORD CapacityLocked() const;
    void NoteErrorsLocked(DWORD ceBits, DWORD& events);
    void RaiseLocked(DWORD events);
    OpPtr FindPendingLocked(const OVERLAPPED* overlapped) const;

    void WakeTimerLocked();
    void ExpireReadsLocked(Clock::time_point now);
    std::optional<Clock::time_point> NextDeadlineLocked() const;
    void TimerLoop();
    void StopTimer();

    mutable std::mutex lock_;
    std::condition_variable completed_;
    std::condition_variable timerWake_;
    std::thread timer_;
    bool stopTimer_ = false;

    const bool overlapped_;
    bool closed_ = false;
    bool gone_ = false;
    bool abortedOnError_ = false; // fAbortOnError tripped; ClearCommError resets it
    DCB dcb_;
    COMMTIMEOUTS timeouts_{};
    DWORD inQueueSize_ = kDefaultQueueSize;
    DWORD inQueueFloor_ = 0;
    ByteRing input_;
    std::vector<std::uint8_t> withoutNul_; // a block with its NULs taken out (fNull)
    DWORD errors_ = 0;
    DWORD mask_ = 0;
    DWORD history_ = 0; // events seen while no wait was pending
    DWORD lines_ = 0;
    std::deque<OpPtr> reads_; // the head is the one being filled
    // Pending writes, in order; the head is the one the writer is sending.
    std::deque<OpPtr> writes_;
    std::thread writer_;
    std::condition_variable writeWake_;
    bool stopWriter_ = false;
    // Held by a write from its first look at the queue until it has put down what went at
    // once and queued the rest, so that two writes keep their order.
    std::mutex sendOrder_;
    OpPtr wait_;
};

} // namespace win
