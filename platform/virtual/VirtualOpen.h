#pragma once

// The registered virtual devices as CreateFileA sees them.

#include "platform/winapi/Backends.h"

#include <memory>
#include <string>

namespace win::virt {

// How CreateFileA reaches them: OpenVirtualDevice (Backends.h).
using backend::OpenVirtualDevice;

// Whether a virtual device is registered under `name` (letter case does not count).
bool IsRegistered(const std::string& name);

} // namespace win::virt
