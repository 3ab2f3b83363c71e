#include "platform/posix/PosixDevice.h"

#include "platform/posix/PosixComm.h"
#include "platform/posix/TerminalOpen.h"

namespace win::posix {

std::shared_ptr<CommDevice> OpenPosixDevice(const std::string& path, const OpenRequest& request,
                                            DWORD& error) {
    DeviceTraits traits;
    const int fd = OpenTerminal(path, false, traits, error);
    if (fd < 0)
        return nullptr;
    auto device = std::make_shared<PosixComm>(fd, path, traits, request.Overlapped());
    error = device->Start();
    if (error != ERROR_SUCCESS)
        return nullptr;
    return device;
}

std::uint64_t IoThreadWakeups() {
    return PosixComm::Wakeups();
}

void FailPolls(int error) {
    PosixComm::FailNextPoll(error);
}

} // namespace win::posix
