#pragma once

// Checks of the port error shared by the engine's tests. The texts are written out here a
// second time, independently of the engine's table, so that a changed text shows.

#include "serial/CPort.h"

#include <functional>
#include <string>

namespace tavrin::testing {

// The text of entry `number` (1..23) of the port error's table.
const char* ExpectedComErrorText(int number);

// The full message: the text, and " (win error code: <code>)" unless systemError is -1.
std::string ExpectedComMessage(int number, int systemError);

// Runs `action` and checks that it raised exactly this port error, message included.
void ExpectComError(const std::function<void()>& action, int number, int systemError);

} // namespace tavrin::testing
