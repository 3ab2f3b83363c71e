#include "platform/driver/CommDriver.h"

#include "platform/driver/CommDriverOp.h"
#include "platform/driver/DcbRules.h"
#include "platform/winapi/Handles.h"

#include <algorithm>

namespace win {

CommDriver::CommDriver(bool overlapped) : overlapped_(overlapped), dcb_(DefaultDcb()) {}

CommDriver::~CommDriver() {
    StopWriter();
    StopTimer();
}

void CommDriver::OnClose() {
    {
        std::lock_guard guard(lock_);
        closed_ = true;
        AbortReadsLocked(ERROR_OPERATION_ABORTED);
        AbortWaitLocked(ERROR_OPERATION_ABORTED);
        AbortWritesLocked(ERROR_OPERATION_ABORTED);
    }
    WakeSend();
    StopWriter();
    StopTimer();
    Shutdown();
}

DWORD CommDriver::UsableLocked() const {
    // A call that was already under way when another thread closed the handle.
    if (closed_)
        return ERROR_INVALID_HANDLE;
    return gone_ ? kGoneError : ERROR_SUCCESS;
}

DWORD CommDriver::NewOp(OVERLAPPED* overlapped, OpPtr& op) {
    op = std::make_shared<Op>();
    op->overlapped = overlapped;
    if (overlapped != nullptr && overlapped->hEvent != nullptr) {
        op->event = handles::LookupAs<Event>(overlapped->hEvent);
        if (!op->event)
            return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}

void CommDriver::CompleteLocked(const OpPtr& op, DWORD status) {
    op->done = true;
    op->status = status;
    if (op->overlapped != nullptr) {
        op->overlapped->Internal = status;
        op->overlapped->InternalHigh = op->eventMask != nullptr ? sizeof(DWORD) : op->got;
    }
    // Everything the caller will read is written before the event lets it look.
    if (op->event)
        op->event->Set();
    completed_.notify_all();
}

DWORD CommDriver::AwaitLocked(std::unique_lock<std::mutex>& lock, const OpPtr& op, DWORD* count) {
    if (!op->done && (!overlapped_ || op->overlapped == nullptr))
        completed_.wait(lock, [&] { return op->done; });
    if (!op->done)
        return ERROR_IO_PENDING;
    if (count != nullptr)
        *count = op->got;
    return op->status;
}

CommDriver::OpPtr CommDriver::FindPendingLocked(const OVERLAPPED* overlapped) const {
    if (wait_ && wait_->overlapped == overlapped)
        return wait_;
    for (const auto* queue : {&reads_, &writes_}) {
        for (const OpPtr& op : *queue) {
            if (op->overlapped == overlapped)
                return op;
        }
    }
    return nullptr;
}

DWORD CommDriver::GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, bool wait) {
    if (overlapped == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::unique_lock lock(lock_);
    if (OpPtr op = FindPendingLocked(overlapped)) {
        if (!wait)
            return ERROR_IO_INCOMPLETE;
        completed_.wait(lock, [&] { return op->done; });
    }
    // Still marked pending but unknown here: the request failed before it started (the
    // caller should not have asked), and waiting would never end.
    if (overlapped->Internal == STATUS_PENDING)
        return ERROR_IO_INCOMPLETE;
    if (transferred != nullptr)
        *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    return static_cast<DWORD>(overlapped->Internal);
}

DWORD CommDriver::SetupComm(DWORD inQueue, DWORD outQueue) {
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
    }
    if (DWORD error = ApplyQueueSizes(inQueue, outQueue))
        return error;
    std::lock_guard guard(lock_);
    // A size of 0 keeps the current one. Bytes already queued beyond a smaller size are
    // kept: shrinking the queue never loses data that has arrived. The output size is the
    // backend's concern.
    if (inQueue != 0)
        inQueueSize_ = inQueue;
    return ERROR_SUCCESS;
}

DWORD CommDriver::GetCommState(DCB* dcb) {
    if (dcb == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    *dcb = dcb_;
    return ERROR_SUCCESS;
}

DWORD CommDriver::SetCommState(const DCB* dcb) {
    if (dcb == nullptr)
        return ERROR_INVALID_PARAMETER;
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
    }
    if (DWORD error = ValidateDcb(*dcb))
        return error;
    if (DWORD error = ApplyState(*dcb))
        return error;
    std::lock_guard guard(lock_);
    dcb_ = *dcb;
    return ERROR_SUCCESS;
}

DWORD CommDriver::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    *timeouts = timeouts_;
    return ERROR_SUCCESS;
}

DWORD CommDriver::SetCommTimeouts(const COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    if (DWORD error = ValidateTimeouts(*timeouts))
        return error;
    // Reads already started keep the timeouts they started with.
    timeouts_ = *timeouts;
    return ERROR_SUCCESS;
}

DWORD CommDriver::ClearCommError(DWORD* errors, COMSTAT* stat) {
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
    }
    const DWORD pendingOutput = stat != nullptr ? PendingOutput() : 0;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    if (errors != nullptr)
        *errors = errors_;
    errors_ = 0;
    abortedOnError_ = false;
    if (stat != nullptr) {
        stat->Flags = 0;
        stat->cbInQue = static_cast<DWORD>(input_.Size());
        stat->cbOutQue = pendingOutput;
    }
    return ERROR_SUCCESS;
}

DWORD CommDriver::GetCommModemStatus(DWORD* modemStat) {
    if (modemStat == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock_);
    if (DWORD error = UsableLocked())
        return error;
    *modemStat = lines_ & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
    return ERROR_SUCCESS;
}

DWORD CommDriver::PurgeComm(DWORD flags) {
    constexpr DWORD all = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
    if (flags == 0 || (flags & ~all) != 0)
        return ERROR_INVALID_PARAMETER;
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
        // Only transfers end here; a pending WaitCommEvent is ended by SetCommMask or by
        // closing the handle, as with the Windows serial driver. What an aborted write had
        // already handed to the line still leaves; only PURGE_TXCLEAR discards it.
        if (flags & PURGE_TXABORT)
            AbortWritesLocked(ERROR_OPERATION_ABORTED);
        if (flags & PURGE_RXABORT)
            AbortReadsLocked(ERROR_OPERATION_ABORTED);
        if (flags & PURGE_RXCLEAR)
            input_.Clear();
    }
    if (flags & PURGE_TXABORT)
        WakeSend();
    if (flags & PURGE_TXCLEAR)
        DiscardOutput();
    return ERROR_SUCCESS;
}

DWORD CommDriver::TransmitCommChar(char ch) {
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
    }
    return SendImmediate(ch);
}

DWORD CommDriver::InQueueSize() const {
    std::lock_guard guard(lock_);
    return inQueueSize_;
}

DWORD CommDriver::QueuedInput() const {
    std::lock_guard guard(lock_);
    return static_cast<DWORD>(input_.Size());
}

DWORD CommDriver::CapacityLocked() const {
    return std::max(inQueueSize_, inQueueFloor_);
}

DWORD CommDriver::InputRoom() const {
    std::lock_guard guard(lock_);
    const std::size_t capacity = CapacityLocked();
    return input_.Size() >= capacity ? 0 : static_cast<DWORD>(capacity - input_.Size());
}

void CommDriver::SetInQueueFloor(DWORD bytes) {
    std::lock_guard guard(lock_);
    inQueueFloor_ = bytes;
}

DWORD CommDriver::EventMask() const {
    std::lock_guard guard(lock_);
    return mask_;
}

void CommDriver::Disconnect() {
    std::lock_guard guard(lock_);
    gone_ = true;
    input_.Clear();
    AbortReadsLocked(ERROR_OPERATION_ABORTED);
    AbortWaitLocked(ERROR_OPERATION_ABORTED);
}

} // namespace win
