#include "platform/winapi/Handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace win::handles {

namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    // Windows handle values are multiples of 4; ours too, so that neither 0 nor
    // INVALID_HANDLE_VALUE can ever be issued.
    std::uintptr_t next = 4;
};

Table& TheTable() {
    static Table table;
    return table;
}

std::uintptr_t Key(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// Removes the handle from the table and returns what it referred to.
std::shared_ptr<KernelObject> Remove(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    auto found = table.objects.find(Key(handle));
    if (found == table.objects.end())
        return nullptr;
    auto object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

} // namespace

HANDLE Insert(std::shared_ptr<KernelObject> object) {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    std::uintptr_t key = table.next;
    table.next += 4;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> Lookup(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    auto found = table.objects.find(Key(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

std::size_t OpenCount() {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    return table.objects.size();
}

} // namespace win::handles

namespace win {

BOOL CloseHandle(HANDLE handle) {
    auto object = handles::Lookup(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DWORD refused = object->CanClose(); refused != ERROR_SUCCESS) {
        SetLastError(refused);
        return FALSE;
    }
    // Two threads may close the same handle at once: only the one that removes it closes
    // the object; the other sees an invalid handle, as it would have a moment later.
    if (!handles::Remove(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->OnClose();
    return TRUE;
}

} // namespace win
