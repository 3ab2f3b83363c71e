#include "platform/config/DeviceNames.h"

#include "platform/config/ConfigDir.h"

#include <cctype>
#include <sys/stat.h>

namespace win {

namespace {

// n for "COMn", 0 for anything else.
unsigned long ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 12)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return 0;
    }
    if (name[3] == '0')
        return 0;
    unsigned long n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        n = n * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return n;
}

} // namespace

std::string DeviceNameOf(const std::string& fileName) {
    static const std::string prefix = "\\\\.\\";
    if (fileName.compare(0, prefix.size(), prefix) == 0)
        return fileName.substr(prefix.size());
    return fileName;
}

std::string DevicePath(const std::string& name) {
    if (name.empty())
        return {};
    if (name.front() == '/')
        return name;
    if (unsigned long n = ComNumber(name)) {
        // The link itself may dangle; the open then fails as for a missing device.
        std::string link = ConfigDirectory() + "/dosdevices/com" + std::to_string(n);
        struct stat info {};
        if (::lstat(link.c_str(), &info) == 0)
            return link;
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + name;
}

} // namespace win
