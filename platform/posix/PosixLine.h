#pragma once

// The ioctls of a terminal device beside its termios: modem lines, queues, error counters.
// Each returns 0 or the errno of the failing call; a pseudo-terminal has no modem lines and
// no error counters (ENOTTY).

#include "platform/winapi/Win32.h"

#include <cstdint>

namespace win::posix {

// The modem lines as MS_* bits.
int ReadModemLines(int fd, DWORD& msBits);
// DTR and RTS on or off.
int SetControlLines(int fd, bool dtr, bool rts);
// Blocks until CTS, DSR, RI or DCD changes; a signal ends it with EINTR.
int WaitModemChange(int fd);

// Bytes the kernel still holds for sending.
int OutputQueued(int fd, DWORD& count);
// Throws away what the kernel holds in one direction or both.
int FlushInput(int fd);
int FlushOutput(int fd);

struct ErrorCounts {
    std::uint64_t frame = 0;
    std::uint64_t parity = 0;
    std::uint64_t brk = 0;
    std::uint64_t overrun = 0;    // the UART's own
    std::uint64_t bufOverrun = 0; // the kernel's buffer
    // Changes seen on each modem line (interrupts counted by the driver).
    std::uint64_t cts = 0;
    std::uint64_t dsr = 0;
    std::uint64_t rng = 0;
    std::uint64_t dcd = 0;
    bool SameLineChanges(const ErrorCounts& other) const {
        return cts == other.cts && dsr == other.dsr && rng == other.rng && dcd == other.dcd;
    }
};
int ReadErrorCounts(int fd, ErrorCounts& counts);

} // namespace win::posix
