#pragma once

// The serial devices of the system, as the hardware map of the registry lists them: the
// ports that sysfs knows, and the COMn names of <config>/dosdevices.

#include "platform/winapi/Backends.h"

#include <string>
#include <vector>

namespace win::posix {

using backend::SerialDeviceEntry;
// From <sysfs root>/class/tty and <config>/dosdevices.
using backend::SerialCommEntries;

// The same from given places. A tty counts when it has a device: a serial-core port whose
// `type` is not 0 (0: no UART behind it), or one below a USB device. Consoles (those named
// in <classTty>/console/active) and ptys (no device) are left out. Each comn link of
// `dosdevices` that leads to a character device gives "COMn" instead of the device's own
// entry.
//
// Descriptions: a USB device's maker, product and serial number strings with its
// vendor:product ids; a built-in port's UART; a COMn link the path it leads to, followed by
// that device's own description when it has one.
std::vector<SerialDeviceEntry> SerialCommEntriesFrom(const std::string& classTty,
                                                     const std::string& dosdevices);

// Where sysfs is read from: "/sys", unless tests have put a made-up tree in its place. An
// empty root restores "/sys".
void SetSysfsRoot(const std::string& root);
std::string SysfsRoot();

} // namespace win::posix
