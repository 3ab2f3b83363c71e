#pragma once

// Why a port would not open, in words a student understands. The engine reports only the
// system's code; the program adds what the system tells about the device: in use by
// another program (and which), not permitted (and the group to join, or that only an
// administrator can give access), or not there (and what is there instead).

#include "platform/winapi/DeviceProbe.h"

#include <QString>

namespace tavrin {

class TComPort;

// One line for an open that failed with `systemError` (a Win32 code); empty when there is
// nothing more to say than the code.
QString OpenFailureDetail(const std::string& portName, int systemError,
                          const win::DeviceProbe& probe);

// Opens the port. A failed open is raised again with its message kept whole and the
// detail on a line of its own below it; every other error passes unchanged.
void OpenPortExplained(TComPort& port);

} // namespace tavrin
