#pragma once

// The checks a serial driver makes on a device control block, and the line time of one
// character, shared by every backend.

#include "platform/winapi/Win32.h"

#include <chrono>

namespace win {

// ERROR_SUCCESS, or ERROR_INVALID_PARAMETER when the driver would refuse the block:
// baud rate 0, byte size outside 5..8, parity above SPACEPARITY, stop bits above
// TWOSTOPBITS, 1.5 stop bits with other than 5 data bits, 2 stop bits with 5 data bits,
// fDtrControl 3, or equal XON and XOFF characters (refused whether or not XON/XOFF flow
// control is on, as Windows does). DCBlength is not checked.
DWORD ValidateDcb(const DCB& dcb);

// The time one character takes on the line: start bit, data bits, parity bit, stop bits.
std::chrono::nanoseconds CharacterTime(const DCB& dcb);

// The block a device has before anyone configures it: 9600 baud, 8 data bits, no parity,
// one stop bit, DTR and RTS on, XON 17 and XOFF 19.
DCB DefaultDcb();

} // namespace win
