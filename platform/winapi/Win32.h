#pragma once

// The Windows types, structures and constants the engine uses, in a namespace of our own so
// that they never meet a system header. Layouts are those of 32-bit Windows.

#include <cstddef>
#include <cstdint>

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using UINT = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Every kernel object (device, event, thread) sits behind a handle of ours.
class KernelObject;
using HANDLE = KernelObject*;
// The all-bits-set pointer, as on Windows.
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;
constexpr DWORD ERROR_BAD_COMMAND = 22;

// CreateFileA
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

// Waits
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

// Comm events (SetCommMask / WaitCommEvent)
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;

// PurgeComm
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// GetCommModemStatus
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// ClearCommError
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_TXFULL = 0x0100;
constexpr DWORD CE_IOE = 0x0400;
constexpr DWORD CE_MODE = 0x8000;

// DCB values
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                RTS_CONTROL_TOGGLE = 3;

// The device control block, 28 bytes, with the flag word's documented bit positions
// (bit fields are laid out from the least significant bit, as on Windows).
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB must keep the Windows layout");

// The flag word of a DCB as one number (bit 0 = fBinary ... bit 14 = fAbortOnError).
DWORD DcbFlags(const DCB& dcb);

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
    DWORD Flags; // fCtsHold .. fTxim, not used by the engine
    DWORD cbInQue;
    DWORD cbOutQue;
};

// Internal holds the completion status (STATUS_PENDING while the transfer runs, else the
// Win32 error code, 0 for success), InternalHigh the byte count. hEvent is signalled on
// completion.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
constexpr ULONG_PTR STATUS_PENDING = 0x103;

} // namespace win
