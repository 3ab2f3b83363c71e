// The port error and its numbered message table.

#include "serial/CPort.h"

#include <array>

namespace tavrin {

namespace {

// Texts are the system's 8-bit text type, Windows-1252, not UTF-8: entry 1 holds the bytes
// E3 ("ã") and ED ("í"). Whoever shows a message converts it from Windows-1252.
constexpr std::array<const char*, 23> messages = {
    "Porta Com n\xE3"
    "o dispon\xED"
    "vel",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

} // namespace

const char* ComErrorText(int number) {
    if (number < 1 || number > static_cast<int>(messages.size()))
        return "";
    return messages[static_cast<std::size_t>(number - 1)];
}

EComPort::EComPort(int number)
    : Exception(ComErrorText(number)), systemError_(-1), errorNumber_(number) {}

EComPort::EComPort(int number, int systemError)
    : Exception(std::string(ComErrorText(number)) +
                Format(" (win error code: %d)", static_cast<long long>(systemError))),
      systemError_(systemError), errorNumber_(number) {}

} // namespace tavrin
