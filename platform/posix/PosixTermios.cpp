// Kept apart from every file that includes <termios.h>: the kernel's own termios structure
// (with termios2, BOTHER and CMSPAR) is declared here under the same names.

#include "platform/posix/PosixTermios.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
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

struct StandardRate {
    DWORD rate;
    tcflag_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

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
    // The input speed follows the output speed's code, so that programs using the plain
    // termios calls read both back.
    const tcflag_t speed = SpeedCodeOf(s.baudRate);
    t.c_cflag =
        CREAD | CLOCAL | speed | (speed << IBSHIFT) | SizeFlag(s.byteSize) | ParityFlags(s.parity);
    // One and a half stop bits exist only with five data bits, where CSTOPB means them.
    if (s.stopBits != ONESTOPBIT)
        t.c_cflag |= CSTOPB;
    if (s.ctsOutputFlow)
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

LinePlan LinePlanOf(const DCB& dcb) {
    LinePlan plan;
    LineSettings& s = plan.settings;
    s.baudRate = dcb.BaudRate;
    s.byteSize = dcb.ByteSize;
    s.parity = dcb.Parity;
    s.stopBits = dcb.StopBits;
    s.ctsOutputFlow = dcb.fOutxCtsFlow;
    s.xonXoffOut = dcb.fOutX;
    s.xonXoffIn = dcb.fInX;
    s.xonChar = dcb.XonChar;
    s.xoffChar = dcb.XoffChar;

    LineActions& a = plan.actions;
    const bool dtrHandshake = dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
    const bool rtsHandshake = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    a.dtrOn = dcb.fDtrControl == DTR_CONTROL_ENABLE || dtrHandshake;
    a.rtsOn = dcb.fRtsControl == RTS_CONTROL_ENABLE || rtsHandshake;
    a.inputHandshake = dtrHandshake && rtsHandshake ? InputHandshake::both
                       : rtsHandshake               ? InputHandshake::rts
                       : dtrHandshake               ? InputHandshake::dtr
                                                    : InputHandshake::none;
    a.rtsToggle = dcb.fRtsControl == RTS_CONTROL_TOGGLE;
    a.dsrOutputFlow = dcb.fOutxDsrFlow;
    a.dsrSensitivity = dcb.fDsrSensitivity;
    a.holdOutputOnXoff = dcb.fInX && !dcb.fTXContinueOnXoff;
    return plan;
}

std::uint32_t SpeedCodeOf(DWORD baudRate) {
    for (const StandardRate& standard : kStandardRates) {
        if (standard.rate == baudRate)
            return standard.code;
    }
    return BOTHER;
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
    settings.ctsOutputFlow = (t.c_cflag & CRTSCTS) != 0;
    settings.xonXoffOut = (t.c_iflag & IXON) != 0;
    settings.xonXoffIn = (t.c_iflag & IXOFF) != 0;
    settings.xonChar = static_cast<char>(t.c_cc[VSTART]);
    settings.xoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return true;
}

SavedTermios SaveTermios(int fd) {
    static_assert(sizeof(termios2) <= sizeof(SavedTermios::bytes));
    SavedTermios saved;
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) == 0) {
        std::memcpy(saved.bytes.data(), &t, sizeof t);
        saved.valid = true;
    }
    return saved;
}

int RestoreTermios(int fd, const SavedTermios& saved) {
    if (!saved.valid)
        return 0;
    termios2 t{};
    std::memcpy(&t, saved.bytes.data(), sizeof t);
    return ::ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

} // namespace win::posix
