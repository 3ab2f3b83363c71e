#pragma once

// What a receiving UART makes of one character sent by another, bit by bit. The sender puts
// a start bit, the data bits (least significant first), the parity bit and the stop bits on
// an otherwise idle line, at its own rate; the receiver waits for a falling edge, samples
// the start bit at its middle (a high line there is a false start, and it waits again),
// then every further bit at the middle of its own bit time, and checks parity and the first
// stop bit. A slower sender's character can therefore give the receiver several
// characters, a faster one's a single wrong byte or nothing at all.

#include "board/UartSettings.h"

#include <cstdint>
#include <vector>

namespace tavrin::board {

struct Arrival {
    std::uint8_t byte = 0;
    bool parityError = false;
    bool framingError = false; // the stop bit was low

    bool operator==(const Arrival&) const = default;
};

// What arrives of `byte`; `flippedBit` (0 the start bit, then the data, parity and stop
// bits in line order) is a bit that noise inverted on its way, -1 for none.
std::vector<Arrival> Transmit(std::uint8_t byte, const UartSettings& sender,
                              const UartSettings& receiver, int flippedBit = -1);

// How many bits the sender's frame has (the index range of `flippedBit`), a half stop bit
// counted as one.
int FrameBits(const UartSettings& uart);

} // namespace tavrin::board
