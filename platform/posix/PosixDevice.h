#pragma once

// The seam for the real serial devices of a POSIX system. CreateFileA hands every name
// that is not a registered virtual device, resolved to a path (DeviceNames.h), to
// OpenPosixDevice. Only a terminal device is opened (PosixComm.h tells how it behaves).

#include "platform/CommDevice.h"

#include <cstdint>
#include <memory>
#include <string>

namespace win::posix {

// The opened device, or null with the Win32 code in `error` (2 missing or not a terminal,
// 5 held by another program or not permitted, ...).
std::shared_ptr<CommDevice> OpenPosixDevice(const std::string& path, const OpenRequest& request,
                                            DWORD& error);

// How often the I/O threads of all open devices have woken up so far: a thread that spins
// shows as a count that races ahead.
std::uint64_t IoThreadWakeups();
// Makes the next poll of an I/O thread fail with the errno `error` (for tests: a poll that
// fails cannot be brought about from outside without starving the whole process of
// descriptors).
void FailPolls(int error);

} // namespace win::posix
