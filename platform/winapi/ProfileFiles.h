#pragma once

// The profile (ini) file calls of Windows. A file name without a folder names a file in
// <config>; any other name is used as it is. Reading never changes a file; writing reads
// the whole file, changes one line (platform/config/IniText.h) and replaces the file atomically:
// a temporary file beside it is written, flushed to disk and renamed over it, so the file
// is always either the old one or the new one. A file that exists but cannot be read is
// never replaced. Failures set the last error.

#include "platform/winapi/Win32.h"

namespace win {

// Copies the value of `key` in `section` (or `defaultValue`, without its trailing blanks,
// when there is none) to `buffer`, cut to `size` - 1 characters and ended with a NUL;
// returns the characters copied. With `key` null the key names of the section, with
// `section` null the section names are copied instead, each ended with a NUL and the list
// with one more (a list that does not fit is cut and returns `size` - 2).
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, char* buffer,
                               DWORD size, LPCSTR fileName);

// Sets `key` in `section` to `value`; `value` null removes the key, `key` null the whole
// section. A value with a line break, a key with "=" or a line break or that starts with
// "[", and a section with "]" or a line break would change other lines: they fail with
// ERROR_INVALID_PARAMETER.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

} // namespace win
