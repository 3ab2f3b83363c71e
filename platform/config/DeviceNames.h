#pragma once

// From the name given to CreateFileA to what it opens. A name registered as a virtual
// device is looked up before any of this (see virtual/VirtualDevice.h).

#include <string>

namespace win {

// The name without a leading "\\.\" (the Win32 device namespace).
std::string DeviceNameOf(const std::string& fileName);

// The file a device name stands for: an absolute path as it is; COMn (any letter case,
// n from 1 without leading zeros) the link <config>/dosdevices/comn when it exists, else
// /dev/ttyS<n-1>; any other name /dev/<name>. Empty for an empty name.
std::string DevicePath(const std::string& name);

} // namespace win
