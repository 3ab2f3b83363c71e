#include "support/SocatPair.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tavrin::testing {

bool WaitForPath(const std::string& path, bool exists, int timeoutMs) {
    const auto folder = std::filesystem::path(path).parent_path().string();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return false;
    inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool reached = false;
    for (;;) {
        struct stat info {};
        if ((lstat(path.c_str(), &info) == 0) == exists) {
            reached = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            break;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left)) > 0) {
            char buffer[4096];
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
        }
    }
    close(fd);
    return reached;
}

SocatPair::SocatPair(const std::string& folder, const std::string& portName,
                     const std::string& peerName)
    : portPath_(folder + "/" + portName), peerPath_(folder + "/" + peerName) {
    const std::string left = "pty,raw,echo=0,link=" + portPath_;
    const std::string right = "pty,raw,echo=0,link=" + peerPath_;
    const std::string log = folder + "/socat-" + portName + ".log";
    std::vector<std::string> args = {"socat", "-d", "-d", "-lf", log, left, right};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "socat", nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return;
    }
    started_ = WaitForPath(portPath_, true) && WaitForPath(peerPath_, true);
}

SocatPair::~SocatPair() {
    Stop();
}

void SocatPair::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrin-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
        path_ = pattern;
}

TempFolder::~TempFolder() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

} // namespace tavrin::testing
