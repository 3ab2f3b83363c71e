#include "support/FakeSystem.h"

#include "platform/posix/SerialDevices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tavrin::testing {

namespace fs = std::filesystem;

FakeSysfs::FakeSysfs(const std::string& root, bool install) : root_(root), installed_(install) {
    fs::create_directories(ClassTty());
    fs::create_directories(root_ + "/devices");
    if (installed_)
        win::posix::SetSysfsRoot(root_);
}

FakeSysfs::~FakeSysfs() {
    if (installed_)
        win::posix::SetSysfsRoot("");
}

void FakeSysfs::Tty(const std::string& name, const std::string& devicePath, const char* type) {
    const std::string folder = ClassTty() + "/" + name;
    fs::create_directories(folder);
    if (!devicePath.empty()) {
        fs::create_directories(root_ + "/devices/" + devicePath);
        fs::create_directory_symlink(root_ + "/devices/" + devicePath, folder + "/device");
    }
    if (type != nullptr)
        std::ofstream(folder + "/type") << type << "\n";
}

void FakeSysfs::UsbDevice(const std::string& devicePath, const char* vendor, const char* product,
                          const char* manufacturer, const char* productName, const char* serial) {
    const std::string folder = root_ + "/devices/" + devicePath;
    fs::create_directories(folder);
    std::ofstream(folder + "/idVendor") << vendor << "\n";
    std::ofstream(folder + "/idProduct") << product << "\n";
    if (manufacturer != nullptr)
        std::ofstream(folder + "/manufacturer") << manufacturer << "\n";
    if (productName != nullptr)
        std::ofstream(folder + "/product") << productName << "\n";
    if (serial != nullptr)
        std::ofstream(folder + "/serial") << serial << "\n";
}

void FakeSysfs::ActiveConsoles(const std::string& names) {
    fs::create_directories(ClassTty() + "/console");
    std::ofstream(ClassTty() + "/console/active") << names << "\n";
}

} // namespace tavrin::testing
