#include "platform/winapi/Registry.h"

#include "platform/config/SameName.h"

#include "platform/winapi/Backends.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace win {

// An open key: a key of the store, or the hardware map as it was when it was opened.
struct RegistryKey {
    std::string root;
    std::string path;
    DWORD access = 0;
    std::optional<std::vector<backend::SerialDeviceEntry>> computed;
};

namespace {

constexpr LONG Ok = static_cast<LONG>(ERROR_SUCCESS);

std::mutex keysMutex;
std::set<RegistryKey*>& OpenKeys() {
    static std::set<RegistryKey*> keys;
    return keys;
}

bool StartsWithKey(const std::string& path, const std::string& key) {
    return SameName(path.substr(0, key.size()), key) &&
           (path.size() == key.size() || path[key.size()] == '\\');
}

const char* RootName(HKEY key) {
    if (key == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS)
        return "HKEY_USERS";
    return nullptr;
}

// What a handle names: a root with full access, or an open key. Null when it is neither.
std::optional<RegistryKey> Resolve(HKEY key) {
    if (const char* root = RootName(key))
        return RegistryKey{root, "", KEY_ALL_ACCESS, std::nullopt};
    std::lock_guard lock(keysMutex);
    if (OpenKeys().count(key) == 0)
        return std::nullopt;
    return *key;
}

// The full path of `subKey` below `parent`. Windows refuses a path that starts with "\" or
// has an empty part; one final "\" is allowed.
LONG JoinPath(const RegistryKey& parent, LPCSTR subKey, std::string& path) {
    std::string sub = subKey == nullptr ? "" : subKey;
    if (!sub.empty() && sub.back() == '\\')
        sub.pop_back();
    if ((!sub.empty() && sub.front() == '\\') || sub.find("\\\\") != std::string::npos ||
        (subKey != nullptr && std::strlen(subKey) == 1 && *subKey == '\\'))
        return static_cast<LONG>(ERROR_BAD_PATHNAME);
    path = parent.path.empty() ? sub : sub.empty() ? parent.path : parent.path + "\\" + sub;
    return Ok;
}

const std::string HardwareMap = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool IsHardware(const RegistryKey& key) {
    return key.root == "HKEY_LOCAL_MACHINE" && StartsWithKey(key.path, "HARDWARE");
}

HKEY Keep(RegistryKey key) {
    auto* opened = new RegistryKey(std::move(key));
    std::lock_guard lock(keysMutex);
    OpenKeys().insert(opened);
    return opened;
}

// Copies `bytes` to a caller's buffer the way the query and enumeration calls do.
LONG GiveData(const std::string& bytes, BYTE* data, DWORD* dataLength) {
    const auto size = static_cast<DWORD>(bytes.size());
    if (data != nullptr && *dataLength < size) {
        *dataLength = size;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (data != nullptr)
        std::memcpy(data, bytes.data(), size);
    if (dataLength != nullptr)
        *dataLength = size;
    return Ok;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, DWORD samDesired, HKEY* result) {
    if (result == nullptr)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    auto parent = Resolve(key);
    if (!parent)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (parent->computed)
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND); // the hardware map has no subkeys
    RegistryKey opened{parent->root, "", samDesired, std::nullopt};
    if (LONG r = JoinPath(*parent, subKey, opened.path); r != Ok)
        return r;
    if (opened.root == "HKEY_LOCAL_MACHINE" && SameName(opened.path, HardwareMap)) {
        auto values = backend::SerialCommEntries();
        // Windows creates the key only while a serial device exists.
        if (values.empty())
            return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        // The hardware map is the system's: nobody writes to it.
        if ((samDesired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0)
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        opened.computed = std::move(values);
    } else if (!opened.path.empty()) {
        if (LONG r = backend::StoreFindKey(opened.root, opened.path); r != Ok)
            return r;
    }
    *result = Keep(std::move(opened));
    return Ok;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPCSTR, DWORD, DWORD samDesired, const void*,
                     HKEY* result, DWORD* disposition) {
    if (result == nullptr)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    auto parent = Resolve(key);
    if (!parent)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    RegistryKey opened{parent->root, "", samDesired, std::nullopt};
    if (parent->computed)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (LONG r = JoinPath(*parent, subKey, opened.path); r != Ok)
        return r;
    // The hardware tree belongs to the system, as it does on Windows for a user.
    if (IsHardware(opened))
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    bool created = false;
    if (!opened.path.empty()) {
        if (LONG r = backend::StoreCreateKey(opened.root, opened.path, created); r != Ok)
            return r;
    }
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = Keep(std::move(opened));
    return Ok;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    auto target = Resolve(key);
    if (!target)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (target->computed || (target->access & KEY_SET_VALUE) == 0)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (data == nullptr && size != 0)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    backend::StoredValue value;
    value.name = valueName == nullptr ? "" : valueName;
    value.type = type;
    value.data.assign(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
    return backend::StoreSetValue(target->root, target->path, value);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD*, DWORD* type, BYTE* data,
                      DWORD* dataLength) {
    auto target = Resolve(key);
    if (!target)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (data != nullptr && dataLength == nullptr)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if ((target->access & KEY_QUERY_VALUE) == 0)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    const std::string name = valueName == nullptr ? "" : valueName;
    backend::StoredValue value;
    if (target->computed) {
        const auto& entries = *target->computed;
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& e) { return SameName(e.valueName, name); });
        if (found == entries.end())
            return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        value = {found->valueName, REG_SZ, found->data + '\0'};
    } else if (LONG r = backend::StoreQueryValue(target->root, target->path, name, value);
               r != Ok) {
        return r;
    }
    if (type != nullptr)
        *type = value.type;
    return GiveData(value.data, data, dataLength);
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD*,
                   DWORD* type, BYTE* data, DWORD* dataLength) {
    auto target = Resolve(key);
    if (!target)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (valueName == nullptr || valueNameLength == nullptr || (data != nullptr && !dataLength))
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if ((target->access & KEY_QUERY_VALUE) == 0)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    backend::StoredValue value;
    if (target->computed) {
        if (index >= target->computed->size())
            return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        const auto& entry = (*target->computed)[index];
        value = {entry.valueName, REG_SZ, entry.data + '\0'};
    } else if (LONG r = backend::StoreEnumValue(target->root, target->path, index, value);
               r != Ok) {
        return r;
    }
    const auto nameSize = static_cast<DWORD>(value.name.size());
    if (*valueNameLength <= nameSize)
        return static_cast<LONG>(ERROR_MORE_DATA);
    if (data != nullptr && *dataLength < value.data.size())
        return GiveData(value.data, data, dataLength);
    std::memcpy(valueName, value.name.c_str(), nameSize + 1);
    *valueNameLength = nameSize;
    if (type != nullptr)
        *type = value.type;
    return GiveData(value.data, data, dataLength);
}

LONG RegCloseKey(HKEY key) {
    std::lock_guard lock(keysMutex);
    if (OpenKeys().erase(key) == 0)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    delete key;
    return Ok;
}

void SetRegistryWaitMs(int milliseconds) {
    backend::SetStoreWaitMs(milliseconds);
}

} // namespace win
