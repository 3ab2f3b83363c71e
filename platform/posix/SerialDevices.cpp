#include "platform/posix/SerialDevices.h"
#include "platform/virtual/VirtualOpen.h"

#include "platform/config/ConfigDir.h"
#include "platform/winapi/DeviceDescriptions.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>

namespace win::posix {

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadFirstLine(const std::string& path, std::string& line) {
    std::ifstream in(path);
    return static_cast<bool>(std::getline(in, line));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// The usb_device above a tty's device: the nearest folder with idVendor and idProduct.
std::string UsbAncestor(std::string folder) {
    while (folder.size() > 1) {
        if (Exists(folder + "/idVendor") && Exists(folder + "/idProduct"))
            return folder;
        folder = folder.substr(0, folder.find_last_of('/'));
    }
    return {};
}

std::vector<std::string> ActiveConsoles(const std::string& classTty) {
    std::string line;
    ReadFirstLine(classTty + "/console/active", line);
    std::istringstream words(line);
    std::vector<std::string> consoles;
    for (std::string word; words >> word;)
        consoles.push_back(word);
    return consoles;
}

// The UART names of serial-core's `type` numbers, as the kernel's serial_core.h has them.
std::string UartName(int type) {
    static const char* const names[] = {
        "",        "8250",     "16450",  "16550", "16550A", "Cirrus", "ST16650",  "ST16650V2",
        "TI16750", "Startech", "16C950", "16654", "16850",  "RSA",    "NS16550A", "XScale"};
    if (type > 0 && type < static_cast<int>(sizeof names / sizeof names[0]))
        return std::string("UART ") + names[type];
    return "UART";
}

// "<maker> <product>, serial <number> (USB <vendor>:<product id>)", with whatever strings
// the device has.
std::string UsbDescription(const std::string& usb, const std::string& vendor,
                           const std::string& product) {
    std::string manufacturer;
    std::string productName;
    std::string serial;
    ReadFirstLine(usb + "/manufacturer", manufacturer);
    ReadFirstLine(usb + "/product", productName);
    ReadFirstLine(usb + "/serial", serial);
    std::string text = manufacturer;
    if (!productName.empty())
        text += (text.empty() ? "" : " ") + productName;
    if (text.empty())
        text = "USB device";
    if (!serial.empty())
        text += ", serial " + serial;
    return text + " (USB " + vendor + ":" + product + ")";
}

std::mutex sysfsMutex;
std::string& SysfsRootSetting() {
    static std::string root = "/sys";
    return root;
}

// n for "comn" (the dosdevices convention: lower case, n from 1), 0 otherwise.
unsigned long ComLinkNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 12 || name.compare(0, 3, "com") != 0 || name[3] == '0')
        return 0;
    if (!std::all_of(name.begin() + 3, name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return 0;
    return std::stoul(name.substr(3));
}

} // namespace

std::vector<SerialDeviceEntry> SerialCommEntriesFrom(const std::string& classTty,
                                                     const std::string& dosdevices) {
    struct Found {
        SerialDeviceEntry entry;
        std::string device; // the /dev node's real path
    };
    std::vector<Found> found;
    const auto consoles = ActiveConsoles(classTty);
    for (const std::string& name : Names(classTty)) {
        const std::string folder = classTty + "/" + name;
        const std::string device = RealPath(folder + "/device");
        if (device.empty())
            continue;
        if (std::find(consoles.begin(), consoles.end(), name) != consoles.end())
            continue;
        std::string valueName = "\\Device\\" + name;
        std::string description;
        std::string type;
        if (ReadFirstLine(folder + "/type", type)) {
            if (std::atoi(type.c_str()) == 0)
                continue;
            description = "Serial port (" + UartName(std::atoi(type.c_str())) + ")";
        } else {
            const std::string usb = UsbAncestor(device);
            if (usb.empty())
                continue;
            std::string vendor;
            std::string product;
            ReadFirstLine(usb + "/idVendor", vendor);
            ReadFirstLine(usb + "/idProduct", product);
            valueName += " USB " + vendor + ":" + product;
            description = UsbDescription(usb, vendor, product);
        }
        const std::string node = "/dev/" + name;
        found.push_back({{valueName, node, description}, RealPath(node)});
    }

    std::vector<SerialDeviceEntry> entries;
    std::vector<std::string> named; // devices that a COMn link names
    for (const std::string& name : Names(dosdevices)) {
        const unsigned long n = ComLinkNumber(name);
        if (n == 0)
            continue;
        const std::string link = dosdevices + "/" + name;
        struct stat info {};
        if (::stat(link.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
            continue;
        const std::string target = RealPath(link);
        std::string description = target;
        for (const Found& f : found) {
            if (f.device == target && !f.entry.description.empty())
                description += ": " + f.entry.description;
        }
        entries.push_back(
            {"\\DosDevices\\COM" + std::to_string(n), "COM" + std::to_string(n), description});
        named.push_back(target);
    }
    for (const Found& f : found) {
        if (f.device.empty() || std::find(named.begin(), named.end(), f.device) == named.end())
            entries.push_back(f.entry);
    }
    return entries;
}

void SetSysfsRoot(const std::string& root) {
    std::lock_guard lock(sysfsMutex);
    SysfsRootSetting() = root.empty() ? "/sys" : root;
}

std::string SysfsRoot() {
    std::lock_guard lock(sysfsMutex);
    return SysfsRootSetting();
}

} // namespace win::posix

namespace win::backend {

std::vector<SerialDeviceEntry> SerialCommEntries() {
    auto entries = posix::SerialCommEntriesFrom(posix::SysfsRoot() + "/class/tty",
                                                ConfigDirectory() + "/dosdevices");
    // Devices of the program's own that users may pick, as a virtual serial driver on
    // Windows adds its ports to the map.
    for (auto& listed : virt::ListedDevices())
        entries.push_back(std::move(listed));
    return entries;
}

} // namespace win::backend

namespace win {

std::map<std::string, std::string> SerialDeviceDescriptions() {
    std::map<std::string, std::string> descriptions;
    for (const posix::SerialDeviceEntry& entry : posix::SerialCommEntries()) {
        if (!entry.description.empty())
            descriptions[entry.data] = entry.description;
    }
    return descriptions;
}

} // namespace win
