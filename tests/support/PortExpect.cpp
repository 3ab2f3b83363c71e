#include "support/PortExpect.h"

#include <gtest/gtest.h>

namespace tavrin::testing {

namespace {
// Windows-1252 bytes, as the engine keeps them.
const char* const texts[] = {
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

const char* ExpectedComErrorText(int number) {
    return (number >= 1 && number <= 23) ? texts[number - 1] : "";
}

std::string ExpectedComMessage(int number, int systemError) {
    std::string message = ExpectedComErrorText(number);
    if (systemError != -1)
        message += " (win error code: " + std::to_string(systemError) + ")";
    return message;
}

void ExpectComError(const std::function<void()>& action, int number, int systemError) {
    try {
        action();
        ADD_FAILURE() << "no error raised; expected port error " << number;
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorNumber(), number);
        EXPECT_EQ(e.SystemError(), systemError);
        EXPECT_EQ(e.Message(), ExpectedComMessage(number, systemError));
    }
}

} // namespace tavrin::testing
