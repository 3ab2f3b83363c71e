#include "platform/Registry.h"

#include "platform/posix/SerialDevices.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace win {

// An open key: what its values were when it was opened.
struct RegistryKey {
    std::vector<posix::SerialDeviceEntry> values;
};

namespace {

std::mutex keysMutex;
std::set<RegistryKey*>& OpenKeys() {
    static std::set<RegistryKey*> keys;
    return keys;
}

bool SameKeyName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b))
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
           key == HKEY_USERS;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, DWORD samDesired, HKEY* result) {
    if (result == nullptr)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    if (!IsPredefined(key))
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (key != HKEY_LOCAL_MACHINE || subKey == nullptr ||
        !SameKeyName(subKey, "HARDWARE\\DEVICEMAP\\SERIALCOMM"))
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    auto values = posix::SerialCommEntries();
    // Windows creates the key only while a serial device exists.
    if (values.empty())
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    // The hardware map is the system's: nobody writes to it.
    if ((samDesired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    auto* opened = new RegistryKey{std::move(values)};
    std::lock_guard lock(keysMutex);
    OpenKeys().insert(opened);
    *result = opened;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD*,
                   DWORD* type, BYTE* data, DWORD* dataLength) {
    std::lock_guard lock(keysMutex);
    if (OpenKeys().count(key) == 0)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (valueName == nullptr || valueNameLength == nullptr || (data != nullptr && !dataLength))
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (index >= key->values.size())
        return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    const auto& value = key->values[index];
    const DWORD nameSize = static_cast<DWORD>(value.valueName.size());
    const DWORD dataSize = static_cast<DWORD>(value.data.size() + 1);
    if (*valueNameLength <= nameSize)
        return static_cast<LONG>(ERROR_MORE_DATA);
    if (data != nullptr && *dataLength < dataSize) {
        *dataLength = dataSize;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    std::memcpy(valueName, value.valueName.c_str(), nameSize + 1);
    *valueNameLength = nameSize;
    if (type != nullptr)
        *type = REG_SZ;
    if (data != nullptr)
        std::memcpy(data, value.data.c_str(), dataSize);
    if (dataLength != nullptr)
        *dataLength = dataSize;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegCloseKey(HKEY key) {
    std::lock_guard lock(keysMutex);
    if (OpenKeys().erase(key) == 0)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    delete key;
    return static_cast<LONG>(ERROR_SUCCESS);
}

} // namespace win
