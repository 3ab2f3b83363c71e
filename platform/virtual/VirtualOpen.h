#pragma once

// How CreateFileA reaches the registered virtual devices.

#include "platform/CommDevice.h"

#include <memory>
#include <string>

namespace win::virt {

// False when no virtual device is registered under request.name (letter case does not
// count, as with Windows device names). Otherwise true, with the opened device or null and
// the Win32 code in `error`.
bool OpenRegistered(const OpenRequest& request, std::shared_ptr<CommDevice>& device, DWORD& error);

// Whether a virtual device is registered under `name` (letter case does not count).
bool IsRegistered(const std::string& name);

} // namespace win::virt
