#pragma once

// The registry calls the engine names. For now one key exists:
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, read-only and computed when it is
// opened, one value per serial device of the system (posix/SerialDevices.h); it does not
// exist when there is none, as on Windows. Every other key fails with ERROR_FILE_NOT_FOUND.
// The functions return the Win32 code (they do not set the last error), as advapi32's do.

#include "platform/Win32.h"

#include <cstdint>

namespace win {

struct RegistryKey;
using HKEY = RegistryKey*;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003u});

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_NOTIFY = 0x0010;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, DWORD samDesired, HKEY* result);

// Value `index` of an open key. `valueNameLength` gives the name buffer's size in characters
// and returns the name's length without its terminating NUL; `dataLength` gives the data
// buffer's size in bytes and returns the data's (a text with its NUL). A buffer too small
// fails with ERROR_MORE_DATA; past the last value ERROR_NO_MORE_ITEMS. `type`, `data` and
// `dataLength` may be null.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataLength);

LONG RegCloseKey(HKEY key);

} // namespace win
