// The event mask, WaitCommEvent, and what the backend feeds in from the line.

#include "platform/driver/CommDriver.h"

#include "platform/driver/CommDriverOp.h"

#include <cstring>

namespace win {

namespace {
// Every event bit a serial driver knows (EV_RXCHAR .. EV_EVENT2).
constexpr DWORD kKnownEvents = 0x1FFF;
} // namespace

DWORD CommDriver::SetCommMask(DWORD eventMask) {
    if ((eventMask & ~kKnownEvents) != 0)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    mask_ = eventMask;
    // Input that came while nobody listened for it (a port fills its queue from the moment
    // it opens, before its event thread sets the mask) would otherwise wait unannounced
    // until the next byte arrives: it is reported as if it had just come.
    history_ = (eventMask & EV_RXCHAR) != 0 && !input_.Empty() ? DWORD{EV_RXCHAR} : 0;
    if (wait_) {
        *wait_->eventMask = 0;
        AbortWaitLocked(ERROR_SUCCESS);
    }
    return ERROR_SUCCESS;
}

DWORD CommDriver::GetCommMask(DWORD* eventMask) {
    if (eventMask == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    *eventMask = mask_;
    return ERROR_SUCCESS;
}

DWORD CommDriver::WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) {
    if (eventMask == nullptr)
        return ERROR_INVALID_PARAMETER;
    OpPtr op;
    if (DWORD error = NewOp(overlapped, op))
        return error;
    op->eventMask = eventMask;
    std::unique_lock lock(lock_);
    if (DWORD error = UsableLocked())
        return error;
    // Nothing to wait for, or a wait is pending already: the driver refuses both.
    if (mask_ == 0 || wait_)
        return ERROR_INVALID_PARAMETER;
    if (const DWORD seen = history_ & mask_) {
        history_ = 0;
        *eventMask = seen;
        CompleteLocked(op, ERROR_SUCCESS);
    } else {
        wait_ = op;
        if (op->event)
            op->event->SetHelper(InputHelper());
    }
    return AwaitLocked(lock, op, nullptr);
}

void CommDriver::AbortWaitLocked(DWORD status) {
    if (!wait_)
        return;
    const OpPtr op = std::move(wait_);
    wait_.reset();
    if (op->event)
        op->event->SetHelper(nullptr);
    CompleteLocked(op, status);
}

void CommDriver::RaiseLocked(DWORD events) {
    events &= mask_;
    if (events == 0)
        return;
    if (wait_) {
        *wait_->eventMask = events;
        AbortWaitLocked(ERROR_SUCCESS);
        return;
    }
    // Remembered for the next wait; repeats of one event make one bit.
    history_ |= events;
}

void CommDriver::NoteErrorsLocked(DWORD ceBits, DWORD& events) {
    if (ceBits == 0)
        return;
    errors_ |= ceBits;
    events |= EV_ERR;
    if (ceBits & CE_BREAK)
        events |= EV_BREAK;
    if (dcb_.fAbortOnError) {
        abortedOnError_ = true;
        AbortReadsLocked(ERROR_OPERATION_ABORTED);
    }
}

void CommDriver::Receive(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard guard(lock_);
    if (closed_ || gone_)
        return;
    if (dcb_.fNull && std::memchr(bytes, 0, count) != nullptr) {
        // The only per-byte work, and only where it is asked for.
        withoutNul_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes[i] != 0)
                withoutNul_.push_back(bytes[i]);
        }
        bytes = withoutNul_.data();
        count = withoutNul_.size();
    }
    if (count == 0)
        return;
    DWORD events = EV_RXCHAR;
    if (std::memchr(bytes, static_cast<std::uint8_t>(dcb_.EvtChar), count) != nullptr)
        events |= EV_RXFLAG;
    DeliverLocked(bytes, count, Clock::now(), events);
    RaiseLocked(events);
}

void CommDriver::ReceiveErrors(DWORD ceBits) {
    std::lock_guard guard(lock_);
    if (closed_ || gone_)
        return;
    DWORD events = 0;
    NoteErrorsLocked(ceBits, events);
    RaiseLocked(events);
}

void CommDriver::InitModemLines(DWORD modemStatus) {
    std::lock_guard guard(lock_);
    lines_ = modemStatus;
}

void CommDriver::SetModemLines(DWORD modemStatus) {
    std::lock_guard guard(lock_);
    if (closed_ || gone_)
        return;
    const DWORD changed = lines_ ^ modemStatus;
    DWORD events = 0;
    if (changed & MS_CTS_ON)
        events |= EV_CTS;
    if (changed & MS_DSR_ON)
        events |= EV_DSR;
    if (changed & MS_RLSD_ON)
        events |= EV_RLSD;
    // A UART reports a ring when the indication ends (the trailing edge of RI).
    if ((lines_ & MS_RING_ON) && !(modemStatus & MS_RING_ON))
        events |= EV_RING;
    lines_ = modemStatus;
    RaiseLocked(events);
}

void CommDriver::RaiseEvents(DWORD events) {
    std::lock_guard guard(lock_);
    if (closed_ || gone_)
        return;
    RaiseLocked(events);
}

} // namespace win
