#pragma once

// Opening a terminal device for one program alone: only a character device that is a
// terminal is ever opened, and nothing is written to anything else. The lock is flock
// (what tio, picocom and pyserial take) plus TIOCEXCL, which keeps out those that take
// neither (though not root).

#include "platform/Win32.h"
#include "platform/posix/PosixComm.h"

#include <string>

namespace win::posix {

// The descriptor, or -1 with the Win32 code in `error`: 2 missing or not a terminal, 5 held
// by another program or not permitted. `pseudoTerminalOnly` refuses any other device before
// it is opened.
int OpenTerminal(const std::string& path, bool pseudoTerminalOnly, DeviceTraits& traits,
                 DWORD& error);

} // namespace win::posix
