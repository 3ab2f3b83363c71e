#pragma once

// The line settings of a device control block, and their trip through the kernel's termios
// (the raw TCSETS2 ioctl: any baud rate, and no refusal of a pseudo-terminal's framing).
// The kernel headers this needs clash with <termios.h>, so they stay in PosixTermios.cpp.

#include "platform/winapi/Win32.h"

#include <array>
#include <cstdint>

namespace win::posix {

// Which of the two input lines carries input flow control, if any.
enum class InputHandshake : std::uint8_t { none, rts, dtr, both };

struct LineSettings {
    DWORD baudRate = 9600;
    BYTE byteSize = 8;          // 5..8
    BYTE parity = NOPARITY;     // NOPARITY .. SPACEPARITY
    BYTE stopBits = ONESTOPBIT; // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    // CRTSCTS. Linux ties both directions to it: output waits for CTS, and the kernel
    // lowers RTS when its own buffer fills. So it is set only where output is to wait for
    // CTS; input flow on RTS alone is done by the driver (below).
    bool ctsOutputFlow = false;
    bool xonXoffOut = false; // honour XON/XOFF from the other end
    bool xonXoffIn = false;  // send XON/XOFF as the input fills
    char xonChar = 17;
    char xoffChar = 19;
    // Errors and breaks arrive marked (INPCK|PARMRK: 0xFF 0x00 c, a real 0xFF doubled).
    // A pseudo-terminal has no line to garble anything, and the program at its other end
    // may reset these input flags whenever it likes (socat's "raw" does), which would
    // leave a marked stream undecodable: there the input stays unmarked.
    bool markErrors = true;
};

// What the driver does itself where termios has nothing to offer.
struct LineActions {
    bool dtrOn = true; // the level of DTR while input flow does not hold it low
    bool rtsOn = true; // the level of RTS, likewise; with rtsToggle: while idle
    // Lower these lines when the input queue is nearly full (fewer than XoffLim bytes
    // free), raise them again when it has drained to XonLim bytes.
    InputHandshake inputHandshake = InputHandshake::none;
    bool rtsToggle = false;        // RTS up while anything is to be sent, down when all left
    bool dsrOutputFlow = false;    // nothing leaves while DSR is off
    bool dsrSensitivity = false;   // what arrives while DSR is off is thrown away
    bool holdOutputOnXoff = false; // nothing leaves while input flow holds the other end
};

struct LinePlan {
    LineSettings settings;
    LineActions actions;
};

// The whole meaning of a control block for this backend; pure, so that it is checked
// without hardware.
LinePlan LinePlanOf(const DCB& dcb);

// The termios speed code for a rate: its Bnnn constant when it has one, else BOTHER (with
// the rate itself in c_ospeed), which other programs read back as speed 0.
std::uint32_t SpeedCodeOf(DWORD baudRate);

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

// A device's whole termios as found, to be put back when the port lets it go.
struct SavedTermios {
    std::array<std::uint8_t, 64> bytes{};
    bool valid = false;
};
SavedTermios SaveTermios(int fd);
// 0 or errno.
int RestoreTermios(int fd, const SavedTermios& saved);

} // namespace win::posix
