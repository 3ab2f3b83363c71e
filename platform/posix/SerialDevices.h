#pragma once

// The serial devices of the system, as the hardware map of the registry lists them: the
// ports that sysfs knows, and the COMn names of <config>/dosdevices.

#include <string>
#include <vector>

namespace win::posix {

struct SerialDeviceEntry {
    std::string valueName; // unique within the list
    std::string data;      // the name to give the port: "/dev/ttyUSB0", or "COM3"
};

// From /sys/class/tty and <config>/dosdevices.
std::vector<SerialDeviceEntry> SerialCommEntries();

// The same from given places. A tty counts when it has a device: a serial-core port whose
// `type` is not 0 (0: no UART behind it), or one below a USB device. Consoles (those named
// in <classTty>/console/active) and ptys (no device) are left out. Each comn link of
// `dosdevices` that leads to a character device gives "COMn" instead of the device's own
// entry.
std::vector<SerialDeviceEntry> SerialCommEntriesFrom(const std::string& classTty,
                                                     const std::string& dosdevices);

} // namespace win::posix
