#pragma once

// The Win32 code a failing system call of the POSIX backend reports. The engine never sees
// errno.

#include "platform/winapi/Win32.h"

namespace win::posix {

DWORD Win32FromErrno(int error);

} // namespace win::posix
