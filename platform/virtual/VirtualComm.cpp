#include "platform/virtual/VirtualComm.h"

#include "platform/virtual/VirtualDeviceImpl.h"

namespace win::virt {

VirtualComm::VirtualComm(std::shared_ptr<VirtualDeviceImpl> device, bool overlapped, DWORD lines)
    : CommDriver(overlapped), device_(std::move(device)) {
    InitModemLines(lines);
}

template <class Body> DWORD VirtualComm::Journaled(JournalEntry& entry, Body&& body) {
    DWORD error = device_->TakeFailure(entry.call);
    if (error == ERROR_SUCCESS)
        error = body();
    entry.result = error == ERROR_SUCCESS ? TRUE : FALSE;
    entry.error = error;
    device_->Record(entry);
    return error;
}

namespace {
JournalEntry Entry(Call call, DWORD arg1 = 0, DWORD arg2 = 0) {
    JournalEntry entry{};
    entry.call = call;
    entry.arg1 = arg1;
    entry.arg2 = arg2;
    return entry;
}
} // namespace

DWORD VirtualComm::SetupComm(DWORD inQueue, DWORD outQueue) {
    auto entry = Entry(Call::SetupComm, inQueue, outQueue);
    return Journaled(entry, [&] { return CommDriver::SetupComm(inQueue, outQueue); });
}

DWORD VirtualComm::GetCommState(DCB* dcb) {
    auto entry = Entry(Call::GetCommState);
    return Journaled(entry, [&] { return CommDriver::GetCommState(dcb); });
}

DWORD VirtualComm::SetCommState(const DCB* dcb) {
    auto entry = Entry(Call::SetCommState);
    if (dcb != nullptr) {
        entry.dcb = *dcb;
        device_->NoteDcbPassed(*dcb);
    }
    return Journaled(entry, [&] { return CommDriver::SetCommState(dcb); });
}

DWORD VirtualComm::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
    auto entry = Entry(Call::GetCommTimeouts);
    return Journaled(entry, [&] { return CommDriver::GetCommTimeouts(timeouts); });
}

DWORD VirtualComm::SetCommTimeouts(const COMMTIMEOUTS* timeouts) {
    auto entry = Entry(Call::SetCommTimeouts);
    if (timeouts != nullptr) {
        entry.timeouts = *timeouts;
        device_->NoteTimeoutsPassed(*timeouts);
    }
    return Journaled(entry, [&] { return CommDriver::SetCommTimeouts(timeouts); });
}

DWORD VirtualComm::ClearCommError(DWORD* errors, COMSTAT* stat) {
    auto entry = Entry(Call::ClearCommError);
    return Journaled(entry, [&] {
        DWORD seenErrors = 0;
        COMSTAT seenStat{};
        DWORD error = CommDriver::ClearCommError(&seenErrors, &seenStat);
        if (error == ERROR_SUCCESS) {
            entry.arg1 = seenErrors;
            entry.arg2 = seenStat.cbInQue;
            if (errors != nullptr)
                *errors = seenErrors;
            if (stat != nullptr)
                *stat = seenStat;
        }
        return error;
    });
}

DWORD VirtualComm::GetCommModemStatus(DWORD* modemStat) {
    auto entry = Entry(Call::GetCommModemStatus);
    return Journaled(entry, [&] {
        DWORD error = CommDriver::GetCommModemStatus(modemStat);
        if (error == ERROR_SUCCESS)
            entry.arg1 = *modemStat;
        return error;
    });
}

DWORD VirtualComm::SetCommMask(DWORD eventMask) {
    auto entry = Entry(Call::SetCommMask, eventMask);
    return Journaled(entry, [&] { return CommDriver::SetCommMask(eventMask); });
}

DWORD VirtualComm::GetCommMask(DWORD* eventMask) {
    auto entry = Entry(Call::GetCommMask);
    return Journaled(entry, [&] { return CommDriver::GetCommMask(eventMask); });
}

DWORD VirtualComm::WaitCommEvent(DWORD* eventMask, OVERLAPPED* overlapped) {
    auto entry = Entry(Call::WaitCommEvent);
    entry.overlapped = overlapped != nullptr;
    return Journaled(entry, [&] {
        DWORD error = CommDriver::WaitCommEvent(eventMask, overlapped);
        // Once pending, the mask belongs to the driver until the wait completes.
        if (error == ERROR_SUCCESS)
            entry.arg1 = *eventMask;
        return error;
    });
}

DWORD VirtualComm::PurgeComm(DWORD flags) {
    auto entry = Entry(Call::PurgeComm, flags);
    return Journaled(entry, [&] { return CommDriver::PurgeComm(flags); });
}

DWORD VirtualComm::TransmitCommChar(char ch) {
    auto entry = Entry(Call::TransmitCommChar, static_cast<std::uint8_t>(ch));
    return Journaled(entry, [&] { return CommDriver::TransmitCommChar(ch); });
}

DWORD VirtualComm::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    auto entry = Entry(Call::ReadFile, toRead);
    entry.overlapped = overlapped != nullptr;
    return Journaled(entry, [&] {
        DWORD now = 0;
        DWORD error = CommDriver::ReadFile(buffer, toRead, &now, overlapped);
        entry.arg2 = now;
        if (read != nullptr)
            *read = now;
        return error;
    });
}

DWORD VirtualComm::WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                             OVERLAPPED* overlapped) {
    auto entry = Entry(Call::WriteFile, toWrite);
    entry.overlapped = overlapped != nullptr;
    return Journaled(entry, [&] {
        DWORD now = 0;
        DWORD error = CommDriver::WriteFile(buffer, toWrite, &now, overlapped);
        entry.arg2 = now;
        if (written != nullptr)
            *written = now;
        return error;
    });
}

DWORD VirtualComm::GetOverlappedResult(OVERLAPPED* overlapped, DWORD* transferred, bool wait) {
    auto entry = Entry(Call::GetOverlappedResult, wait ? TRUE : FALSE);
    return Journaled(entry, [&] {
        DWORD count = 0;
        DWORD error = CommDriver::GetOverlappedResult(overlapped, &count, wait);
        entry.arg2 = count;
        if (transferred != nullptr)
            *transferred = count;
        return error;
    });
}

DWORD VirtualComm::CanClose() {
    DWORD error = device_->TakeFailure(Call::CloseHandle);
    if (error != ERROR_SUCCESS) {
        auto entry = Entry(Call::CloseHandle);
        entry.result = FALSE;
        entry.error = error;
        device_->Record(entry);
    }
    return error;
}

void VirtualComm::OnClose() {
    auto entry = Entry(Call::CloseHandle);
    entry.result = TRUE;
    device_->Record(entry);
    device_->Closed(this);
    CommDriver::OnClose();
}

DWORD VirtualComm::ApplyState(const DCB& dcb) {
    device_->StateApplied(dcb);
    return ERROR_SUCCESS;
}

DWORD VirtualComm::SendImmediate(char ch) {
    return device_->TransmitImmediate(ch);
}

DWORD VirtualComm::Send(const std::uint8_t* bytes, DWORD count) {
    device_->Capture(bytes, count);
    return ERROR_SUCCESS;
}

} // namespace win::virt
