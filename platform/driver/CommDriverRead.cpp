// Reads and the timer that ends them.

#include "platform/driver/CommDriver.h"

#include "platform/driver/CommDriverOp.h"

#include <algorithm>
#include <cstring>

namespace win {

DWORD CommDriver::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    if (read != nullptr)
        *read = 0;
    if (buffer == nullptr && toRead != 0)
        return ERROR_INVALID_PARAMETER;
    OpPtr op;
    if (DWORD error = NewOp(overlapped, op))
        return error;
    op->buffer = static_cast<std::uint8_t*>(buffer);
    op->want = toRead;
    std::unique_lock lock(lock_);
    if (DWORD error = UsableLocked())
        return error;
    if (abortedOnError_)
        return ERROR_OPERATION_ABORTED;
    op->plan = PlanRead(timeouts_, toRead);
    reads_.push_back(op);
    if (reads_.size() == 1)
        StartHeadReadLocked(Clock::now());
    return AwaitLocked(lock, op, read);
}

void CommDriver::StartHeadReadLocked(Clock::time_point now) {
    while (!reads_.empty()) {
        const OpPtr op = reads_.front();
        if (op->started)
            return;
        op->started = true;
        // A read that is waiting for bytes has emptied the queue, so the queue only
        // holds bytes when the read starts.
        op->got += static_cast<DWORD>(input_.Pop(op->buffer + op->got, op->want - op->got));
        const bool done = op->got == op->want || op->plan.returnAtOnce ||
                          (op->plan.returnIfAnyQueued && op->got > 0);
        if (done) {
            reads_.pop_front();
            CompleteLocked(op, ERROR_SUCCESS);
            continue;
        }
        if (op->plan.total)
            op->totalDeadline = now + *op->plan.total;
        if (op->plan.interval && op->got > 0)
            op->intervalDeadline = now + *op->plan.interval;
        if (op->totalDeadline || op->intervalDeadline)
            WakeTimerLocked();
        return;
    }
}

void CommDriver::FinishHeadReadLocked(Clock::time_point now) {
    const OpPtr op = reads_.front();
    reads_.pop_front();
    CompleteLocked(op, ERROR_SUCCESS);
    StartHeadReadLocked(now);
}

void CommDriver::AbortReadsLocked(DWORD status) {
    auto aborted = std::move(reads_);
    reads_.clear();
    for (const OpPtr& op : aborted)
        CompleteLocked(op, status);
}

void CommDriver::DeliverLocked(const std::uint8_t* bytes, std::size_t count, Clock::time_point now,
                               DWORD& events) {
    // Reads waiting for bytes take them first, in their order, a block at a time.
    while (count > 0 && !reads_.empty()) {
        const OpPtr& op = reads_.front();
        // A read that ends on its first byte still takes the whole block that brought it,
        // as a driver hands over what it has at that moment.
        const std::size_t take = std::min<std::size_t>(count, op->want - op->got);
        std::memcpy(op->buffer + op->got, bytes, take);
        op->got += static_cast<DWORD>(take);
        bytes += take;
        count -= take;
        if (op->got == op->want || op->plan.returnOnFirstByte) {
            FinishHeadReadLocked(now);
        } else if (op->plan.interval) {
            op->intervalDeadline = now + *op->plan.interval;
            WakeTimerLocked();
        }
    }
    if (count == 0)
        return;
    const std::size_t capacity = CapacityLocked();
    const std::size_t room = input_.Size() >= capacity ? 0 : capacity - input_.Size();
    if (count > room) {
        NoteErrorsLocked(CE_RXOVER, events);
        count = room;
    }
    input_.Push(bytes, count);
    if (std::uint64_t{input_.Size()} * 10 >= std::uint64_t{inQueueSize_} * 8)
        events |= EV_RX80FULL;
}

void CommDriver::WakeTimerLocked() {
    if (stopTimer_)
        return;
    if (!timer_.joinable())
        timer_ = std::thread(&CommDriver::TimerLoop, this);
    else
        timerWake_.notify_one();
}

std::optional<CommDriver::Clock::time_point> CommDriver::NextDeadlineLocked() const {
    if (reads_.empty())
        return std::nullopt;
    const OpPtr& op = reads_.front();
    if (op->totalDeadline && op->intervalDeadline)
        return std::min(*op->totalDeadline, *op->intervalDeadline);
    return op->totalDeadline ? op->totalDeadline : op->intervalDeadline;
}

void CommDriver::ExpireReadsLocked(Clock::time_point now) {
    while (!reads_.empty()) {
        auto deadline = NextDeadlineLocked();
        if (!deadline || *deadline > now)
            return;
        // A timeout ends the read successfully with what it has, as on Windows.
        FinishHeadReadLocked(now);
    }
}

void CommDriver::TimerLoop() {
    std::unique_lock lock(lock_);
    while (!stopTimer_) {
        ExpireReadsLocked(Clock::now());
        if (auto deadline = NextDeadlineLocked())
            timerWake_.wait_until(lock, *deadline);
        else
            timerWake_.wait(lock);
    }
}

void CommDriver::StopTimer() {
    {
        std::lock_guard guard(lock_);
        stopTimer_ = true;
        timerWake_.notify_all();
    }
    if (timer_.joinable() && timer_.get_id() != std::this_thread::get_id())
        timer_.join();
}

} // namespace win
