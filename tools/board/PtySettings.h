#pragma once

// The line settings the program on the other side of a pseudo-terminal asked for. The two
// sides share one set of terminal settings, so the board reads there what a real board
// would have to match: the speed and the stop bits (a pseudo-terminal keeps eight data bits
// and no parity whatever is asked).

#include "board/UartSettings.h"

namespace tavrin::board {

// False when the settings cannot be read.
bool ReadPtySettings(int fd, UartSettings& uart);

} // namespace tavrin::board
