#pragma once

// The registry calls the engine names. Keys and values live in one SQLite database,
// <config>/registry.db (posix/RegistryStore.h); key and value names match without letter
// case. One key is not stored: HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is
// read-only and computed when it is opened, one value per serial device of the system
// (posix/SerialDevices.h); it does not exist when there is none, as on Windows.
// The functions return the Win32 code (they do not set the last error), as advapi32's do.

#include "platform/winapi/Win32.h"

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

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// The codes the store adds to those of platform/Win32.h.
constexpr DWORD ERROR_LOCK_VIOLATION = 33; // another program holds the store too long
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_BAD_PATHNAME = 161; // a key path with an empty part
constexpr DWORD ERROR_BADDB = 1009;       // the store's file is not a database
constexpr DWORD ERROR_REGISTRY_IO_FAILED = 1016;
constexpr DWORD ERROR_KEY_DELETED = 1018; // the open key was removed behind the handle

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, DWORD samDesired, HKEY* result);

// Opens `subKey` below `key`, creating it and the keys above it when missing. `className`,
// `options` and `security` are accepted and not used (every stored key is non-volatile).
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPCSTR className, DWORD options,
                     DWORD samDesired, const void* security, HKEY* result, DWORD* disposition);

// Stores `size` bytes of `data` as value `valueName` (null or empty: the key's default
// value) of type `type`, in one transaction.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);

// Value `valueName` of an open key. With `data` null only `type` and `dataLength` are
// returned; a buffer too small fails with ERROR_MORE_DATA and gives the size needed; a
// missing value fails with ERROR_FILE_NOT_FOUND.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataLength);

// Value `index` of an open key. `valueNameLength` gives the name buffer's size in characters
// and returns the name's length without its terminating NUL; `dataLength` gives the data
// buffer's size in bytes and returns the data's (a text with its NUL). A buffer too small
// fails with ERROR_MORE_DATA; past the last value ERROR_NO_MORE_ITEMS. `type`, `data` and
// `dataLength` may be null.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataLength);

LONG RegCloseKey(HKEY key);

// How long a call waits for another program that holds the store before it fails with
// ERROR_LOCK_VIOLATION; 5 seconds unless changed.
void SetRegistryWaitMs(int milliseconds);

} // namespace win
