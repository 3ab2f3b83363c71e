#pragma once

// A character as the line carries it: the line rests at mark (1); a start bit (0) opens the
// character, the data bits follow least significant first, then the parity bit when there
// is one and the stop bits (mark again). Each bit lasts 1/baud seconds, the stop bits 1, 1.5
// or 2 of those.

#include "app/line/LineTraffic.h"

#include <string>
#include <vector>

namespace tavrin {

enum class FrameBitKind { Idle, Start, Data, Parity, Stop };

struct FrameBit {
    FrameBitKind kind;
    int index = 0;     // of a data bit: 0 for the least significant
    int level = 1;     // 1 mark (high), 0 space (low)
    double length = 1; // in bit times; the stop bits may last 1.5
};

struct CharacterFrame {
    // The line at rest first, then the character's bits in the order they leave.
    std::vector<FrameBit> bits;
    double bitSeconds = 0;
    // From the start bit to the end of the stop bits.
    double characterSeconds = 0;
};

// A frame with fewer than 8 data bits carries the byte's low bits only.
CharacterFrame FrameOf(unsigned char byte, const LineSettings& settings);

// "104.2 µs" below a millisecond, "1.04 ms" from there on.
std::string DurationText(double seconds);

} // namespace tavrin
