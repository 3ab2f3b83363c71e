#include "bench/soak/ProcessFigures.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavrin::bench {

namespace {

// A joined thread is listed until it has finished dying; it carries the kernel's exiting
// flag (the ninth field of its stat) meanwhile, and does not count.
bool IsExiting(const std::filesystem::path& task) {
    constexpr unsigned long kExiting = 0x4;
    std::ifstream in(task / "stat");
    std::string stat;
    if (!std::getline(in, stat))
        return true;
    const auto afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return false;
    std::istringstream fields(stat.substr(afterName + 1));
    std::string field;
    for (int i = 0; i < 6; ++i)
        fields >> field;
    unsigned long flags = 0;
    fields >> flags;
    return (flags & kExiting) != 0;
}

long Entries(const char* folder) {
    long n = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        (void)entry;
        ++n;
    }
    return n;
}

} // namespace

ProcessFigures ReadProcessFigures() {
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            figures.rssKib = std::stol(line.substr(6));
    }
    figures.fds = Entries("/proc/self/fd");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
        if (!IsExiting(entry.path()))
            ++figures.threads;
    }
    return figures;
}

} // namespace tavrin::bench
