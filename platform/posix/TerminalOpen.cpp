#include "platform/posix/TerminalOpen.h"

#include "platform/posix/PosixErrno.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace win::posix {

namespace {

// The slaves of the kernel's pseudo-terminals (devpts) have majors 136 to 143.
bool IsPseudoTerminal(dev_t device) {
    const unsigned int majorNumber = major(device);
    return majorNumber >= 136 && majorNumber <= 143;
}

std::string LinkName(const std::string& link) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    const std::string path(target, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Fail(int fd, DWORD code, DWORD& error) {
    if (fd >= 0)
        ::close(fd);
    error = code;
    return -1;
}

} // namespace

bool IsSerialDevice(dev_t device, const std::string& sysfs) {
    if (IsPseudoTerminal(device))
        return true;
    const std::string entry =
        sysfs + "/dev/char/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    // The consoles, /dev/tty and /dev/ptmx are ttys too, but none has a device behind it.
    struct stat hardware {};
    return LinkName(entry + "/subsystem") == "tty" &&
           ::stat((entry + "/device").c_str(), &hardware) == 0;
}

int OpenTerminal(const std::string& path, bool pseudoTerminalOnly, DeviceTraits& traits,
                 DWORD& error) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0)
        return Fail(-1, Win32FromErrno(errno), error);
    // Opening is not harmless everywhere (a watchdog is armed by it, "tty" is the
    // controlling terminal, a FIFO may block): what is no serial port is refused unopened.
    if (!S_ISCHR(before.st_mode) || !IsSerialDevice(before.st_rdev) ||
        (pseudoTerminalOnly && !IsPseudoTerminal(before.st_rdev)))
        return Fail(-1, ERROR_FILE_NOT_FOUND, error);

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(-1, Win32FromErrno(errno), error);
    struct stat after {};
    // The name may have been pointed elsewhere between the two looks.
    if (::fstat(fd, &after) != 0 || !S_ISCHR(after.st_mode) || after.st_rdev != before.st_rdev ||
        !::isatty(fd))
        return Fail(fd, ERROR_FILE_NOT_FOUND, error);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Fail(fd, errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : Win32FromErrno(errno), error);
    // The lock ends with its holder, however it dies. The terminal's exclusive mode keeps
    // out programs that take no lock, but on a pseudo-terminal it outlives a holder that was
    // killed (the other side keeps the terminal alive) and then shuts out every ordinary
    // user: there the lock alone keeps the port ours. A device's exclusive mode ends with
    // its last close.
    if (!IsPseudoTerminal(after.st_rdev))
        ::ioctl(fd, TIOCEXCL);

    traits = DeviceTraits{};
    traits.found = SaveTermios(fd);
    traits.pseudoTerminal = IsPseudoTerminal(after.st_rdev);
    DWORD lines = 0;
    traits.modemLines = ReadModemLines(fd, lines) == 0;
    ErrorCounts counts;
    traits.errorCounts = ReadErrorCounts(fd, counts) == 0;
    if (traits.pseudoTerminal) {
        pollfd probe{fd, 0, 0};
        traits.hungUp = ::poll(&probe, 1, 0) == 1 && (probe.revents & POLLHUP) != 0;
    }
    error = ERROR_SUCCESS;
    return fd;
}

void CloseTerminal(int fd, const SavedTermios& found) {
    if (fd < 0)
        return;
    RestoreTermios(fd, found);
    struct stat device {};
    if (::fstat(fd, &device) == 0 && !IsPseudoTerminal(device.st_rdev))
        ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

} // namespace win::posix
