#pragma once

// The real serial devices of a POSIX system: CreateFileA hands every name that is not a
// registered virtual device, resolved to a path, to OpenSystemDevice (Backends.h). Only a
// terminal device is opened (PosixComm.h tells how it behaves).

#include "platform/winapi/Backends.h"

#include <cstdint>
#include <memory>
#include <string>

namespace win::posix {

using backend::OpenSystemDevice;

// How often the I/O threads of all open devices have woken up so far: a thread that spins
// shows as a count that races ahead.
std::uint64_t IoThreadWakeups();
// Makes the next poll of an I/O thread fail with the errno `error` (for tests: a poll that
// fails cannot be brought about from outside without starving the whole process of
// descriptors).
void FailPolls(int error);

} // namespace win::posix
