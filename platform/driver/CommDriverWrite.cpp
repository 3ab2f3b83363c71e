// Writes: what the line takes at once goes at once; a write that cannot put everything
// down stays pending, as on Windows, and a writer thread of the driver hands the rest over
// as the line makes room, one write after another in the order they were made.

#include "platform/driver/CommDriver.h"

#include "platform/driver/CommDriverOp.h"

namespace win {

DWORD CommDriver::WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                            OVERLAPPED* overlapped) {
    if (written != nullptr)
        *written = 0;
    if (buffer == nullptr && toWrite != 0)
        return ERROR_INVALID_PARAMETER;
    OpPtr op;
    if (DWORD error = NewOp(overlapped, op))
        return error;
    op->data = static_cast<const std::uint8_t*>(buffer);
    op->want = toWrite;
    std::unique_lock order(sendOrder_);
    bool behindOthers;
    {
        std::lock_guard guard(lock_);
        if (DWORD error = UsableLocked())
            return error;
        if (abortedOnError_)
            return ERROR_OPERATION_ABORTED;
        behindOthers = !writes_.empty();
    }
    if (!behindOthers && toWrite > 0) {
        DWORD sent = 0;
        if (DWORD error = SendNow(op->data, toWrite, sent)) {
            if (written != nullptr)
                *written = sent;
            return error;
        }
        op->got = sent;
    }
    std::unique_lock lock(lock_);
    order.unlock();
    if (op->got == op->want) {
        CompleteLocked(op, ERROR_SUCCESS);
    } else if (DWORD error = UsableLocked()) {
        // Closed or gone while the first part went down: nothing will take the rest.
        if (written != nullptr)
            *written = op->got;
        return error;
    } else {
        writes_.push_back(op);
        StartWriterLocked();
    }
    return AwaitLocked(lock, op, written);
}

void CommDriver::AbortWritesLocked(DWORD status) {
    if (writes_.empty())
        return;
    // The head belongs to the writer until its SendRest returns.
    const OpPtr head = writes_.front();
    head->abortWrite = true;
    for (std::size_t i = 1; i < writes_.size(); ++i)
        CompleteLocked(writes_[i], status);
    writes_.resize(1);
}

void CommDriver::StartWriterLocked() {
    if (!writer_.joinable())
        writer_ = std::thread(&CommDriver::WriterLoop, this);
    else
        writeWake_.notify_one();
}

void CommDriver::WriterLoop() {
    std::unique_lock lock(lock_);
    for (;;) {
        writeWake_.wait(lock, [&] { return stopWriter_ || !writes_.empty(); });
        if (writes_.empty())
            return;
        const OpPtr op = writes_.front();
        DWORD status = ERROR_OPERATION_ABORTED;
        if (stopWriter_ || op->abortWrite) {
            status = ERROR_OPERATION_ABORTED;
        } else if (DWORD error = UsableLocked()) {
            status = error;
        } else {
            lock.unlock();
            DWORD total = op->got;
            status = SendRest(op->data, op->want, op->got, total, op->abortWrite);
            lock.lock();
            op->got = total;
        }
        writes_.pop_front();
        CompleteLocked(op, status);
    }
}

void CommDriver::StopWriter() {
    {
        std::lock_guard guard(lock_);
        stopWriter_ = true;
        writeWake_.notify_all();
    }
    if (writer_.joinable() && writer_.get_id() != std::this_thread::get_id())
        writer_.join();
}

} // namespace win
