#pragma once

// What each serial device of the hardware map is, said for people ("FTDI FT232R USB UART,
// serial A50285BI (USB 0403:6001)"), so that a user can tell two adapters apart. Keyed by
// the name the port takes, as the hardware map gives it ("/dev/ttyUSB0", "COM3"); devices
// the system says nothing about are absent. Read afresh at each call.

#include <map>
#include <string>

namespace win {

std::map<std::string, std::string> SerialDeviceDescriptions();

} // namespace win
