#include "platform/posix/PosixDevice.h"

#include "platform/posix/PosixComm.h"
#include "platform/posix/TerminalOpen.h"

namespace win::posix {

std::uint64_t IoThreadWakeups() {
    return PosixComm::Wakeups();
}

void FailPolls(int error) {
    PosixComm::FailNextPoll(error);
}

} // namespace win::posix

namespace win::backend {

std::shared_ptr<CommDevice> OpenSystemDevice(const std::string& path, const OpenRequest& request,
                                             DWORD& error) {
    posix::DeviceTraits traits;
    const int fd = posix::OpenTerminal(path, false, traits, error);
    if (fd < 0)
        return nullptr;
    auto device = std::make_shared<posix::PosixComm>(fd, path, traits, request.Overlapped());
    error = device->Start();
    if (error != ERROR_SUCCESS)
        return nullptr;
    return device;
}

} // namespace win::backend
