#include "support/DeviceHolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tavrin::testing {

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return;
    if (const char* name = ::ptsname(master_))
        path_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    if (master_ >= 0)
        ::close(master_);
}

namespace {
// Holds the lock until its standard input ends; says "ready" once it has it.
const char* HolderScript = "import fcntl, os, sys\n"
                           "fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)\n"
                           "fcntl.flock(fd, fcntl.LOCK_EX)\n"
                           "print('ready', flush=True)\n"
                           "sys.stdin.read()\n";
} // namespace

DeviceHolder::DeviceHolder(const std::string& path) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> args = {"/usr/bin/python3", "-c", HolderScript, path};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    // The whole line, so that the holder never writes into a closed pipe.
    std::string line;
    pollfd ready{out[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && line.size() < 16 && ::poll(&ready, 1, 10000) == 1 &&
           ::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    holding_ = line == "ready";
    ::close(out[0]);
}

DeviceHolder::~DeviceHolder() {
    if (toChild_ >= 0)
        ::close(toChild_);
    if (pid_ > 0)
        ::waitpid(pid_, nullptr, 0);
}

} // namespace tavrin::testing
