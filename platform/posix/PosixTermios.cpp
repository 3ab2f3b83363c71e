// Kept apart from every file that includes <termios.h>: the kernel's own termios structure
// (with termios2, BOTHER and CMSPAR) is declared here under the same names.

#include "platform/posix/PosixTermios.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace win::posix {

namespace {

tcflag_t SizeFlag(BYTE byteSize) {
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

BYTE ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

tcflag_t ParityFlags(BYTE parity) {
    switch (parity) {
    case ODDPARITY:
        return PARENB | PARODD;
    case EVENPARITY:
        return PARENB;
    case MARKPARITY:
        return PARENB | CMSPAR | PARODD;
    case SPACEPARITY:
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

BYTE ParityOf(tcflag_t cflag) {
    if (!(cflag & PARENB))
        return NOPARITY;
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

termios2 Build(const termios2& current, const LineSettings& s) {
    termios2 t = current;
    // Nothing translated, nothing echoed, no signals: the bytes as they come.
    t.c_iflag = s.markErrors ? (INPCK | PARMRK) : 0;
    if (s.xonXoffOut)
        t.c_iflag |= IXON;
    if (s.xonXoffIn)
        t.c_iflag |= IXOFF;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT) | SizeFlag(s.byteSize) |
                ParityFlags(s.parity);
    // One and a half stop bits exist only with five data bits, where CSTOPB means them.
    if (s.stopBits != ONESTOPBIT)
        t.c_cflag |= CSTOPB;
    if (s.hardwareFlow)
        t.c_cflag |= CRTSCTS;
    t.c_ispeed = s.baudRate;
    t.c_ospeed = s.baudRate;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    return t;
}

bool Matches(const termios2& got, const termios2& want, bool ownFraming) {
    constexpr tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR;
    constexpr tcflag_t compared = framing | CSTOPB | CRTSCTS | CLOCAL | HUPCL | CREAD;
    const tcflag_t mask = ownFraming ? compared : (compared & ~framing);
    return got.c_ospeed == want.c_ospeed && got.c_ispeed == want.c_ispeed &&
           (got.c_cflag & mask) == (want.c_cflag & mask) &&
           (got.c_iflag & (IXON | IXOFF | INPCK | PARMRK)) ==
               (want.c_iflag & (IXON | IXOFF | INPCK | PARMRK)) &&
           got.c_cc[VSTART] == want.c_cc[VSTART] && got.c_cc[VSTOP] == want.c_cc[VSTOP];
}

} // namespace

LineSettings LineSettingsOf(const DCB& dcb) {
    LineSettings s;
    s.baudRate = dcb.BaudRate;
    s.byteSize = dcb.ByteSize;
    s.parity = dcb.Parity;
    s.stopBits = dcb.StopBits;
    s.hardwareFlow = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    s.xonXoffOut = dcb.fOutX;
    s.xonXoffIn = dcb.fInX;
    s.xonChar = dcb.XonChar;
    s.xoffChar = dcb.XoffChar;
    return s;
}

ApplyResult ApplyLineSettings(int fd, const LineSettings& settings, bool ownFraming) {
    termios2 before{};
    if (::ioctl(fd, TCGETS2, &before) != 0)
        return {ERROR_SUCCESS, errno};
    const termios2 wanted = Build(before, settings);
    if (::ioctl(fd, TCSETS2, &wanted) != 0) {
        // A driver that refuses the values themselves refuses a parameter.
        if (errno == EINVAL)
            return {ERROR_INVALID_PARAMETER, 0};
        return {ERROR_SUCCESS, errno};
    }
    termios2 got{};
    if (::ioctl(fd, TCGETS2, &got) != 0)
        return {ERROR_SUCCESS, errno};
    if (!Matches(got, wanted, ownFraming)) {
        ::ioctl(fd, TCSETS2, &before);
        return {ERROR_INVALID_PARAMETER, 0};
    }
    return {};
}

bool ReadLineSettings(int fd, LineSettings& settings) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    settings.baudRate = t.c_ospeed;
    settings.byteSize = ByteSizeOf(t.c_cflag);
    settings.parity = ParityOf(t.c_cflag);
    settings.stopBits =
        (t.c_cflag & CSTOPB) ? (settings.byteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS) : ONESTOPBIT;
    settings.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    settings.xonXoffOut = (t.c_iflag & IXON) != 0;
    settings.xonXoffIn = (t.c_iflag & IXOFF) != 0;
    settings.xonChar = static_cast<char>(t.c_cc[VSTART]);
    settings.xoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return true;
}

} // namespace win::posix
