#include "support/DeviceHolder.h"

#include "support/PipedChild.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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
    const PipedChild child = SpawnPiped({"/usr/bin/python3", "-c", HolderScript, path});
    pid_ = child.pid;
    toChild_ = child.toChild;
    if (pid_ < 0)
        return;
    // The whole line, so that the holder never writes into a closed pipe.
    std::string line;
    pollfd ready{child.fromChild, POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && line.size() < 16 && ::poll(&ready, 1, 10000) == 1 &&
           ::read(child.fromChild, &c, 1) == 1 && c != '\n')
        line += c;
    holding_ = line == "ready";
    ::close(child.fromChild);
}

DeviceHolder::~DeviceHolder() {
    if (toChild_ >= 0)
        ::close(toChild_);
    if (pid_ > 0)
        ::waitpid(pid_, nullptr, 0);
}

} // namespace tavrin::testing
