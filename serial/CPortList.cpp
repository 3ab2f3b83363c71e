// The serial devices of the system, from the registry's hardware map.

#include "base/Strings.h"
#include "platform/winapi/Registry.h"
#include "serial/CPort.h"

namespace tavrin {

namespace {
// Closes the key however the listing ends.
class OpenKey {
public:
    explicit OpenKey(win::HKEY key) : key_(key) {}
    ~OpenKey() { win::RegCloseKey(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    win::HKEY Get() const { return key_; }

private:
    win::HKEY key_;
};
} // namespace

void ListComPorts(TStrings& list) {
    win::HKEY key = nullptr;
    win::LONG result = win::RegOpenKeyExA(
        win::HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, win::KEY_READ, &key);
    if (result != static_cast<win::LONG>(win::ERROR_SUCCESS))
        throw EComPort(CError_RegError, result);
    OpenKey open(key);
    TStrings names;
    for (win::DWORD index = 0;; ++index) {
        char name[256];
        win::BYTE data[256];
        win::DWORD nameLength = sizeof name;
        win::DWORD dataLength = sizeof data;
        result = win::RegEnumValueA(open.Get(), index, name, &nameLength, nullptr, nullptr, data,
                                    &dataLength);
        if (result == static_cast<win::LONG>(win::ERROR_NO_MORE_ITEMS))
            break;
        if (result != static_cast<win::LONG>(win::ERROR_SUCCESS))
            throw EComPort(CError_RegError, result);
        // The data is a text; a value without its terminating NUL is taken as far as it goes.
        std::string text(reinterpret_cast<const char*>(data), dataLength);
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        names.Add(text);
    }
    names.Sort();
    list.Clear();
    for (std::size_t i = 0; i < names.Count(); ++i)
        list.Add(names[i]);
}

} // namespace tavrin
