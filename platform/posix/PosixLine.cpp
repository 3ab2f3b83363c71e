#include "platform/posix/PosixLine.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace win::posix {

namespace {
int Result(int rc) {
    return rc == 0 ? 0 : errno;
}
} // namespace

int ReadModemLines(int fd, DWORD& msBits) {
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) != 0)
        return errno;
    msBits = 0;
    if (lines & TIOCM_CTS)
        msBits |= MS_CTS_ON;
    if (lines & TIOCM_DSR)
        msBits |= MS_DSR_ON;
    if (lines & TIOCM_RI)
        msBits |= MS_RING_ON;
    if (lines & TIOCM_CD)
        msBits |= MS_RLSD_ON;
    return 0;
}

int SetControlLines(int fd, bool dtr, bool rts) {
    int on = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int off = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    if (on != 0 && ::ioctl(fd, TIOCMBIS, &on) != 0)
        return errno;
    if (off != 0 && ::ioctl(fd, TIOCMBIC, &off) != 0)
        return errno;
    return 0;
}

int WaitModemChange(int fd) {
    return Result(::ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD));
}

int OutputQueued(int fd, DWORD& count) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
        return errno;
    count = queued > 0 ? static_cast<DWORD>(queued) : 0;
    return 0;
}

int FlushInput(int fd) {
    return Result(::tcflush(fd, TCIFLUSH));
}

int FlushOutput(int fd) {
    return Result(::tcflush(fd, TCOFLUSH));
}

int ReadErrorCounts(int fd, ErrorCounts& counts) {
    serial_icounter_struct icount{};
    if (::ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return errno;
    counts.frame = static_cast<std::uint64_t>(icount.frame);
    counts.parity = static_cast<std::uint64_t>(icount.parity);
    counts.brk = static_cast<std::uint64_t>(icount.brk);
    counts.overrun = static_cast<std::uint64_t>(icount.overrun);
    counts.bufOverrun = static_cast<std::uint64_t>(icount.buf_overrun);
    counts.cts = static_cast<std::uint64_t>(icount.cts);
    counts.dsr = static_cast<std::uint64_t>(icount.dsr);
    counts.rng = static_cast<std::uint64_t>(icount.rng);
    counts.dcd = static_cast<std::uint64_t>(icount.dcd);
    return 0;
}

} // namespace win::posix
