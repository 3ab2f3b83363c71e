#include "base/Registry.h"

#include <vector>

namespace tavrin {

namespace {
constexpr win::LONG Ok = static_cast<win::LONG>(win::ERROR_SUCCESS);

[[noreturn]] void Raise(const char* pattern, const std::string& name, win::LONG code) {
    throw ERegistryException(Format(pattern, name), code);
}
} // namespace

void TRegistry::SetRootKey(win::HKEY root) {
    if (root == rootKey_)
        return;
    CloseKey();
    rootKey_ = root;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    CloseKey();
    const std::string path = !key.empty() && key.front() == '\\' ? key.substr(1) : key;
    win::HKEY opened = nullptr;
    lastError_ = canCreate ? win::RegCreateKeyExA(rootKey_, path.c_str(), 0, nullptr,
                                                  win::REG_OPTION_NON_VOLATILE, access_, nullptr,
                                                  &opened, nullptr)
                           : win::RegOpenKeyExA(rootKey_, path.c_str(), 0, access_, &opened);
    if (lastError_ != Ok)
        return false;
    currentKey_ = opened;
    return true;
}

void TRegistry::CloseKey() {
    if (currentKey_ != nullptr)
        win::RegCloseKey(currentKey_);
    currentKey_ = nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (currentKey_ == nullptr)
        return {};
    // The value may change between asking its size and reading it: ask again then.
    for (;;) {
        win::DWORD type = 0;
        win::DWORD size = 0;
        win::LONG result =
            win::RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size);
        if (result == static_cast<win::LONG>(win::ERROR_FILE_NOT_FOUND))
            return {};
        if (result != Ok)
            Raise("Failed to get data for '%s'", name, result);
        if (type != win::REG_SZ && type != win::REG_EXPAND_SZ)
            Raise("Invalid data type for '%s'", name, 0);
        std::vector<win::BYTE> data(size + 1, 0);
        result =
            win::RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, data.data(), &size);
        if (result == static_cast<win::LONG>(win::ERROR_MORE_DATA))
            continue;
        if (result != Ok)
            Raise("Failed to get data for '%s'", name, result);
        if (type != win::REG_SZ && type != win::REG_EXPAND_SZ)
            Raise("Invalid data type for '%s'", name, 0);
        // The text ends at its first NUL (or with its data when the NUL is missing).
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        return text.substr(0, text.find('\0'));
    }
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const {
    if (currentKey_ == nullptr)
        Raise("Failed to get data for '%s'", name,
              static_cast<win::LONG>(win::ERROR_INVALID_HANDLE));
    win::DWORD type = 0;
    win::BYTE data[4] = {};
    win::DWORD size = sizeof data;
    const win::LONG result =
        win::RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, data, &size);
    if (result != Ok && result != static_cast<win::LONG>(win::ERROR_MORE_DATA))
        Raise("Failed to get data for '%s'", name, result);
    if (type != win::REG_DWORD || size != sizeof data || result != Ok)
        Raise("Invalid data type for '%s'", name, 0);
    const std::uint32_t bits =
        data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    return static_cast<std::int32_t>(bits);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    const win::LONG result = win::RegSetValueExA(currentKey_, name.c_str(), 0, win::REG_SZ,
                                                 reinterpret_cast<const win::BYTE*>(value.c_str()),
                                                 static_cast<win::DWORD>(value.size() + 1));
    if (result != Ok)
        Raise("Failed to set data for '%s'", name, result);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const win::BYTE data[4] = {static_cast<win::BYTE>(bits), static_cast<win::BYTE>(bits >> 8),
                               static_cast<win::BYTE>(bits >> 16),
                               static_cast<win::BYTE>(bits >> 24)};
    const win::LONG result =
        win::RegSetValueExA(currentKey_, name.c_str(), 0, win::REG_DWORD, data, sizeof data);
    if (result != Ok)
        Raise("Failed to set data for '%s'", name, result);
}

} // namespace tavrin
