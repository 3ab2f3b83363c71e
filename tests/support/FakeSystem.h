#pragma once

// The part of the system the device list is read from that a test makes up: a sysfs tree
// (the configuration folder with its dosdevices links is TempConfig).

#include <string>

namespace tavrin::testing {

// A made-up sysfs: each tty folder of class/tty links its `device` to a folder under
// devices/. With `install` the program reads it in place of /sys until it is destroyed.
class FakeSysfs {
public:
    explicit FakeSysfs(const std::string& root, bool install = false);
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;
    std::string ClassTty() const { return root_ + "/class/tty"; }

    // A tty with a device below `devicePath` (relative to devices/), optionally a
    // serial-core `type`.
    void Tty(const std::string& name, const std::string& devicePath, const char* type = nullptr);
    // A USB device with its ids and, where not null, its maker, product and serial strings.
    void UsbDevice(const std::string& devicePath, const char* vendor, const char* product,
                   const char* manufacturer = nullptr, const char* productName = nullptr,
                   const char* serial = nullptr);
    void ActiveConsoles(const std::string& names);

private:
    std::string root_;
    bool installed_;
};

} // namespace tavrin::testing
