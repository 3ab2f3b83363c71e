#pragma once

// Where the Windows calls meet the backends of this build. CreateFileA offers each name to
// the virtual devices first and hands it on to the system's devices; the registry calls keep
// their values in a store and list the system's serial devices. Everything here is declared
// by the Windows surface and defined by a backend (posix/, virtual/), so that the surface
// never includes the code it stands on and another system only needs other definitions.

#include "platform/winapi/CommDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace win::backend {

// False when no virtual device is registered under request.name (letter case does not
// count, as with Windows device names). Otherwise true, with the opened device or null and
// the Win32 code in `error`.
bool OpenVirtualDevice(const OpenRequest& request, std::shared_ptr<CommDevice>& device,
                       DWORD& error);

// The system's device at `path` (a name resolved by DeviceNames.h), or null with the Win32
// code in `error` (2 missing or not a terminal, 5 held by another program or not permitted).
std::shared_ptr<CommDevice> OpenSystemDevice(const std::string& path, const OpenRequest& request,
                                             DWORD& error);

// The stored part of the registry. Keys are named by their root ("HKEY_CURRENT_USER") and
// their path below it ("Software\Ketno\ComPort"; "" is the root itself); names match
// without letter case. Results are Win32 codes.
struct StoredValue {
    std::string name;
    DWORD type = 0;
    std::string data; // the bytes as RegSetValueExA got them
};

// How long a call waits for another program that holds the store.
void SetStoreWaitMs(int milliseconds);
// ERROR_SUCCESS when the key exists, ERROR_FILE_NOT_FOUND when not.
LONG StoreFindKey(const std::string& root, const std::string& path);
// Creates the key and every key above it; `created` tells whether the key was new.
LONG StoreCreateKey(const std::string& root, const std::string& path, bool& created);
LONG StoreSetValue(const std::string& root, const std::string& path, const StoredValue& value);
// ERROR_FILE_NOT_FOUND when the value (or its key) is missing.
LONG StoreQueryValue(const std::string& root, const std::string& path, const std::string& name,
                     StoredValue& value);
// The values in the order they were first stored; ERROR_NO_MORE_ITEMS past the last.
LONG StoreEnumValue(const std::string& root, const std::string& path, DWORD index,
                    StoredValue& value);

// The serial devices of the system, as the hardware map of the registry lists them.
struct SerialDeviceEntry {
    std::string valueName;   // unique within the list
    std::string data;        // the name to give the port: "/dev/ttyUSB0", or "COM3"
    std::string description; // what the device is, for people; empty when nothing is known
};
std::vector<SerialDeviceEntry> SerialCommEntries();

} // namespace win::backend
