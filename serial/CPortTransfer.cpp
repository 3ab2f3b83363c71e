// Overlapped transfers on the device: reads are started and then waited for, each with a
// record and an event of its own, so they can run beside the event thread's pending wait.

#include "serial/CPort.h"

#include "platform/winapi/Comm.h"

#include <cstdlib>

namespace tavrin {

void PrepareAsync(PComAsync& AsyncPtr) {
    // Value-initialised: Direction starts as adWrite, so completing a record whose read was
    // never started tells the links nothing.
    AsyncPtr = new TComAsync{};
    AsyncPtr->Overlapped.hEvent = win::CreateEventA(nullptr, win::TRUE, win::TRUE, nullptr);
    AsyncPtr->Data = nullptr;
    AsyncPtr->DataSize = 0;
}

void ReleaseAsync(PComAsync& AsyncPtr) {
    if (!AsyncPtr)
        return;
    win::CloseHandle(AsyncPtr->Overlapped.hEvent);
    std::free(AsyncPtr->Data); // a Data block is a malloc'ed untyped block
    delete AsyncPtr;
    AsyncPtr = nullptr;
}

std::int32_t TCustomComPort::StartRead(void* Buffer, std::int32_t Count, PComAsync AsyncPtr) {
    if (!AsyncPtr)
        throw EComPort(CError_InvalidAsync);
    AsyncPtr->Direction = adRead;
    // A negative count would reach the device as a size of some four thousand million
    // bytes, letting it write far past the caller's buffer.
    if (Count < 0)
        throw EComPort(CError_ReadFailed, static_cast<int>(win::ERROR_INVALID_PARAMETER));
    win::DWORD read = 0;
    if (!win::ReadFile(handle_, Buffer, static_cast<win::DWORD>(Count), &read,
                       &AsyncPtr->Overlapped) &&
        win::GetLastError() != win::ERROR_IO_PENDING)
        throw EComPort(CError_ReadFailed, static_cast<int>(win::GetLastError()));
    return static_cast<std::int32_t>(read);
}

std::int32_t TCustomComPort::StartReadText(std::string& Str, std::int32_t Count,
                                           PComAsync AsyncPtr) {
    Str.resize(Count > 0 ? static_cast<std::size_t>(Count) : 0);
    if (Count <= 0)
        return 0;
    return StartRead(Str.data(), Count, AsyncPtr);
}

std::int32_t TCustomComPort::CompleteAsync(PComAsync AsyncPtr) {
    if (!AsyncPtr)
        throw EComPort(CError_InvalidAsync);
    win::DWORD transferred = 0;
    bool ok = win::WaitForSingleObject(AsyncPtr->Overlapped.hEvent, win::INFINITE) ==
                  win::WAIT_OBJECT_0 &&
              win::GetOverlappedResult(handle_, &AsyncPtr->Overlapped, &transferred, win::FALSE);
    if (!ok) {
        int code = static_cast<int>(win::GetLastError());
        throw EComPort(AsyncPtr->Direction == adWrite ? CError_WriteFailed : CError_ReadFailed,
                       code);
    }
    if (AsyncPtr->Direction == adRead && InputQueueCount() == 0)
        BroadcastSignal(lnRx, false);
    else if (AsyncPtr->Data)
        BroadcastTxBuf(AsyncPtr->Data, AsyncPtr->DataSize);
    return static_cast<std::int32_t>(transferred);
}

namespace {

// Releases the record on every way out of a blocking read.
struct AsyncRecord {
    PComAsync ptr = nullptr;
    AsyncRecord() { PrepareAsync(ptr); }
    ~AsyncRecord() { ReleaseAsync(ptr); }
    AsyncRecord(const AsyncRecord&) = delete;
    AsyncRecord& operator=(const AsyncRecord&) = delete;
};

} // namespace

std::int32_t TCustomComPort::ReadBytes(void* Buffer, std::int32_t Count) {
    AsyncRecord record;
    StartRead(Buffer, Count, record.ptr);
    return CompleteAsync(record.ptr);
}

std::int32_t TCustomComPort::ReadText(std::string& Str, std::int32_t Count) {
    AsyncRecord record;
    StartReadText(Str, Count, record.ptr);
    std::int32_t n = CompleteAsync(record.ptr);
    Str.resize(static_cast<std::size_t>(n));
    return n;
}

void TCustomComPort::AbortTransfers() {
    if (!win::PurgeComm(handle_, win::PURGE_TXABORT | win::PURGE_RXABORT))
        throw EComPort(CError_PurgeFailed, static_cast<int>(win::GetLastError()));
}

void TCustomComPort::SendChar(char Ch) {
    if (!win::TransmitCommChar(handle_, Ch))
        throw EComPort(CError_TransmitFailed, static_cast<int>(win::GetLastError()));
}

} // namespace tavrin
