#pragma once

// The stored part of the registry: one SQLite database, <config>/registry.db, that the
// sqlite3 command line can read. Keys are named by their root ("HKEY_CURRENT_USER") and
// their path below it ("Software\Ketno\ComPort"; "" is the root itself); names match
// without letter case. Every write is one transaction; a call waits for another program
// that holds the database, up to the wait set by SetStoreWaitMs. A file that is not a
// database is never written to, replaced or removed: calls fail with ERROR_BADDB.
// Reads never create the file. Results are Win32 codes.

#include "platform/Win32.h"

#include <string>

namespace win::posix {

std::string RegistryDatabasePath();
void SetStoreWaitMs(int milliseconds);

struct StoredValue {
    std::string name;
    DWORD type = 0;
    std::string data; // the bytes as RegSetValueExA got them
};

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

} // namespace win::posix
