#pragma once

// Opening a terminal device for one program alone: only a serial device is ever opened,
// and nothing is written to anything else. The lock is flock (what tio, picocom and
// pyserial take) plus TIOCEXCL, which keeps out those that take neither (though not root).

#include "platform/posix/PosixComm.h"
#include "platform/winapi/Win32.h"

#include <string>
#include <sys/types.h>

namespace win::posix {

// Whether a character device is a serial port: a pseudo-terminal's slave, or a tty whose
// sysfs entry leads to hardware (a UART, a USB adapter). The controlling terminal, the
// consoles, the pseudo-terminal multiplexer and every other character device are not.
// `sysfs` is /sys in use; tests may give another root.
bool IsSerialDevice(dev_t device, const std::string& sysfs = "/sys");

// The descriptor, or -1 with the Win32 code in `error`, having opened nothing: 2 missing
// or no serial device, 3 a folder on the way missing, 5 held by another program or not
// permitted, 123 a name too long, 1921 links that lead in a circle. `pseudoTerminalOnly`
// refuses any other device. The device's settings as found are kept in `traits`.
int OpenTerminal(const std::string& path, bool pseudoTerminalOnly, DeviceTraits& traits,
                 DWORD& error);

// Lets go of a descriptor from OpenTerminal: the device's settings as found go back, the
// exclusive mode is cleared (it outlives the descriptor on a pseudo-terminal), then it is
// closed, which releases the lock.
void CloseTerminal(int fd, const SavedTermios& found);

} // namespace win::posix
