#pragma once

// The registry store of this system (Backends.h): one SQLite database, <config>/registry.db,
// that the sqlite3 command line can read. Every write is one transaction; a call waits for another
// program that holds the database, up to the wait set by SetStoreWaitMs. A file that is not a
// database is never written to, replaced or removed: calls fail with ERROR_BADDB.
// Reads never create the file. Results are Win32 codes.

#include "platform/winapi/Backends.h"

#include <string>

namespace win::backend {

std::string RegistryDatabasePath();

} // namespace win::backend

namespace win::posix {

using backend::RegistryDatabasePath;

} // namespace win::posix
