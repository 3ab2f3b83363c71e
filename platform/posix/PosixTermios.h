#pragma once

// The line settings of a device control block, and their trip through the kernel's termios
// (the raw TCSETS2 ioctl: any baud rate, and no refusal of a pseudo-terminal's framing).
// The kernel headers this needs clash with <termios.h>, so they stay in PosixTermios.cpp.

#include "platform/Win32.h"

#include <cstdint>

namespace win::posix {

struct LineSettings {
    DWORD baudRate = 9600;
    BYTE byteSize = 8;          // 5..8
    BYTE parity = NOPARITY;     // NOPARITY .. SPACEPARITY
    BYTE stopBits = ONESTOPBIT; // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    bool hardwareFlow = false;  // RTS/CTS in both directions
    bool xonXoffOut = false;    // honour XON/XOFF from the other end
    bool xonXoffIn = false;     // send XON/XOFF as the input fills
    char xonChar = 17;
    char xoffChar = 19;
    // Errors and breaks arrive marked (INPCK|PARMRK: 0xFF 0x00 c, a real 0xFF doubled).
    // A pseudo-terminal has no line to garble anything, and the program at its other end
    // may reset these input flags whenever it likes (socat's "raw" does), which would
    // leave a marked stream undecodable: there the input stays unmarked.
    bool markErrors = true;
};

LineSettings LineSettingsOf(const DCB& dcb);

// Puts the device in raw mode with these settings: CLOCAL on, HUPCL off, the receiver on. Reads the
// result back; when the device did not take the settings (a baud rate it cannot run at, say) the
// previous ones are restored and ERROR_INVALID_PARAMETER returned. A pseudo-terminal has no framing
// of its own (the kernel forces 8 bits without parity there), so `ownFraming` false leaves data
// bits and parity out of the comparison. Other failures: the call's errno.
struct ApplyResult {
    DWORD error = ERROR_SUCCESS; // ERROR_SUCCESS or ERROR_INVALID_PARAMETER
    int systemError = 0;         // errno of a failing ioctl (error is then unset)
};
ApplyResult ApplyLineSettings(int fd, const LineSettings& settings, bool ownFraming);

// The settings the device holds now (false with errno set when they cannot be read).
bool ReadLineSettings(int fd, LineSettings& settings);

} // namespace win::posix
