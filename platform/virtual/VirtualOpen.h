#pragma once

// The registered virtual devices as CreateFileA sees them.

#include "platform/winapi/Backends.h"

#include <memory>
#include <string>
#include <vector>

namespace win::virt {

// How CreateFileA reaches them: OpenVirtualDevice (Backends.h).
using backend::OpenVirtualDevice;

// Whether a virtual device is registered under `name` (letter case does not count).
bool IsRegistered(const std::string& name);

// The registered devices that asked to be listed (VirtualDevice::SetListed), as entries of
// the hardware map, by name.
std::vector<backend::SerialDeviceEntry> ListedDevices();

} // namespace win::virt
