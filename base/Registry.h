#pragma once

// The class library's registry object: one root, at most one open key, named values read
// and written through the platform's registry calls. Releasing the object closes its key.

#include "base/Exception.h"
#include "platform/winapi/Registry.h"

#include <cstdint>
#include <string>

namespace tavrin {

// "Failed to set data for '<name>'", "Failed to get data for '<name>'", "Invalid data type
// for '<name>'"; SystemError is the registry's code (0 for a wrong type).
class ERegistryException : public Exception {
public:
    ERegistryException(std::string message, win::LONG systemError)
        : Exception(std::move(message)), systemError_(systemError) {}
    win::LONG SystemError() const { return systemError_; }

private:
    win::LONG systemError_;
};

class TRegistry {
public:
    // Root HKEY_CURRENT_USER; keys are opened with `access`.
    explicit TRegistry(win::DWORD access = win::KEY_ALL_ACCESS) : access_(access) {}
    ~TRegistry() { CloseKey(); }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    win::HKEY RootKey() const { return rootKey_; }
    void SetRootKey(win::HKEY root);
    win::HKEY CurrentKey() const { return currentKey_; }
    // The registry's code of the last OpenKey (ERROR_SUCCESS when it opened).
    win::LONG LastError() const { return lastError_; }

    // Opens `key` below the root (one leading "\" is allowed), creating it when
    // `canCreate`; any key open before is closed first. False when it could not be opened.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();

    // A missing value, or no open key, reads as empty text; a value that is not a string
    // (REG_SZ or REG_EXPAND_SZ, taken literally) or cannot be read raises.
    std::string ReadString(const std::string& name) const;
    // The value must exist and be a REG_DWORD, else it raises.
    std::int32_t ReadInteger(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);

private:
    win::DWORD access_;
    win::HKEY rootKey_ = win::HKEY_CURRENT_USER;
    win::HKEY currentKey_ = nullptr;
    win::LONG lastError_ = 0;
};

} // namespace tavrin
