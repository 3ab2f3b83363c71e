#pragma once

// The process-wide handle table. A HANDLE is an opaque number, never the address of the
// object: it is validated on every call, and values are not reused, so a stale handle
// fails with ERROR_INVALID_HANDLE instead of reaching a newer object.

#include "platform/winapi/Sync.h"

#include <cstddef>
#include <memory>

namespace win::handles {

// Enters `object` in the table and returns its new handle.
HANDLE Insert(std::shared_ptr<KernelObject> object);

// The object behind `handle`, or null when the handle is not open. The reference keeps
// the object alive for the call in progress even if another thread closes the handle.
std::shared_ptr<KernelObject> Lookup(HANDLE handle);

template <class T> std::shared_ptr<T> LookupAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(Lookup(handle));
}

// Number of handles open (lets tests find leaks).
std::size_t OpenCount();

} // namespace win::handles
