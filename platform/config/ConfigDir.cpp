#include "platform/config/ConfigDir.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace win {

namespace {
std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr)
        return found->pw_dir;
    return "/";
}
} // namespace

std::string ConfigDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
        return std::string(xdg) + "/tavrin";
    std::string home = HomeDirectory();
    if (home.empty() || home.back() != '/')
        home += '/';
    return home + ".config/tavrin";
}

} // namespace win
