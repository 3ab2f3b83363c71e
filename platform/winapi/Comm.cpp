// The comm functions: validate the handle, do the I/O manager's part of an overlapped
// call, and hand the rest to the device.

#include "platform/winapi/Comm.h"

#include "platform/config/DeviceNames.h"
#include "platform/winapi/Backends.h"
#include "platform/winapi/CommDevice.h"
#include "platform/winapi/Event.h"
#include "platform/winapi/Handles.h"

namespace win {

namespace {

template <class Call> BOOL OnDevice(HANDLE file, Call&& call) {
    auto device = handles::LookupAs<CommDevice>(file);
    if (!device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DWORD error = call(*device)) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

// Before a driver sees an overlapped request, its event is reset and its status marked
// pending. A request the driver refuses at once leaves both so: the event stays
// unsignalled, and a thread waiting on it does not wake up to a request that never ran.
DWORD PrepareOverlapped(OVERLAPPED* overlapped) {
    if (overlapped == nullptr)
        return ERROR_SUCCESS;
    if (overlapped->hEvent != nullptr) {
        auto event = handles::LookupAs<Event>(overlapped->hEvent);
        if (!event)
            return ERROR_INVALID_HANDLE;
        event->Reset();
    }
    overlapped->Internal = STATUS_PENDING;
    overlapped->InternalHigh = 0;
    return ERROR_SUCCESS;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void*,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    OpenRequest request;
    request.fileName = fileName;
    request.name = DeviceNameOf(request.fileName);
    request.desiredAccess = desiredAccess;
    request.shareMode = shareMode;
    request.creationDisposition = creationDisposition;
    request.flagsAndAttributes = flagsAndAttributes;

    std::shared_ptr<CommDevice> device;
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (!backend::OpenVirtualDevice(request, device, error)) {
        const std::string path = DevicePath(request.name);
        if (!path.empty())
            device = backend::OpenSystemDevice(path, request, error);
    }
    if (!device) {
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return handles::Insert(std::move(device));
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
    return OnDevice(file, [&](CommDevice& d) { return d.SetupComm(inQueue, outQueue); });
}

BOOL GetCommState(HANDLE file, DCB* dcb) {
    return OnDevice(file, [&](CommDevice& d) { return d.GetCommState(dcb); });
}

BOOL SetCommState(HANDLE file, DCB* dcb) {
    return OnDevice(file, [&](CommDevice& d) { return d.SetCommState(dcb); });
}

BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return OnDevice(file, [&](CommDevice& d) { return d.GetCommTimeouts(timeouts); });
}

BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return OnDevice(file, [&](CommDevice& d) { return d.SetCommTimeouts(timeouts); });
}

BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* stat) {
    return OnDevice(file, [&](CommDevice& d) { return d.ClearCommError(errors, stat); });
}

BOOL GetCommModemStatus(HANDLE file, DWORD* modemStat) {
    return OnDevice(file, [&](CommDevice& d) { return d.GetCommModemStatus(modemStat); });
}

BOOL SetCommMask(HANDLE file, DWORD eventMask) {
    return OnDevice(file, [&](CommDevice& d) { return d.SetCommMask(eventMask); });
}

BOOL GetCommMask(HANDLE file, DWORD* eventMask) {
    return OnDevice(file, [&](CommDevice& d) { return d.GetCommMask(eventMask); });
}

BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, OVERLAPPED* overlapped) {
    return OnDevice(file, [&](CommDevice& d) {
        if (DWORD error = PrepareOverlapped(overlapped))
            return error;
        return d.WaitCommEvent(eventMask, overlapped);
    });
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
    return OnDevice(file, [&](CommDevice& d) { return d.PurgeComm(flags); });
}

BOOL TransmitCommChar(HANDLE file, char ch) {
    return OnDevice(file, [&](CommDevice& d) { return d.TransmitCommChar(ch); });
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    return OnDevice(file, [&](CommDevice& d) {
        if (DWORD error = PrepareOverlapped(overlapped))
            return error;
        return d.ReadFile(buffer, toRead, read, overlapped);
    });
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped) {
    return OnDevice(file, [&](CommDevice& d) {
        if (DWORD error = PrepareOverlapped(overlapped))
            return error;
        return d.WriteFile(buffer, toWrite, written, overlapped);
    });
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
    return OnDevice(file, [&](CommDevice& d) {
        return d.GetOverlappedResult(overlapped, transferred, wait != FALSE);
    });
}

} // namespace win
