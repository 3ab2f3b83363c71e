#include "app/line/CharacterFrame.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace tavrin {

namespace {
int ParityLevel(TParityBits parity, int ones) {
    switch (parity) {
    case prOdd:
        return ones % 2 == 0 ? 1 : 0;
    case prEven:
        return ones % 2;
    case prMark:
        return 1;
    case prSpace:
    case prNone:
        break;
    }
    return 0;
}

double StopLength(TStopBits stopBits) {
    switch (stopBits) {
    case sbOne5StopBits:
        return 1.5;
    case sbTwoStopBits:
        return 2;
    case sbOneStopBit:
        break;
    }
    return 1;
}
} // namespace

CharacterFrame FrameOf(unsigned char byte, const LineSettings& settings) {
    CharacterFrame frame;
    const int dataBits = std::clamp(settings.dataBits, 5, 8);
    const unsigned data = byte & ((1u << dataBits) - 1);
    frame.bits.push_back({FrameBitKind::Idle, 0, 1, 1});
    frame.bits.push_back({FrameBitKind::Start, 0, 0, 1});
    for (int i = 0; i < dataBits; ++i)
        frame.bits.push_back({FrameBitKind::Data, i, static_cast<int>((data >> i) & 1u), 1});
    if (settings.parity != prNone)
        frame.bits.push_back(
            {FrameBitKind::Parity, 0, ParityLevel(settings.parity, std::popcount(data)), 1});
    frame.bits.push_back({FrameBitKind::Stop, 0, 1, StopLength(settings.stopBits)});

    frame.bitSeconds = settings.baud > 0 ? 1.0 / settings.baud : 0;
    double bitTimes = 0;
    for (const FrameBit& bit : frame.bits)
        if (bit.kind != FrameBitKind::Idle)
            bitTimes += bit.length;
    frame.characterSeconds = bitTimes * frame.bitSeconds;
    return frame;
}

std::string DurationText(double seconds) {
    char text[32];
    const double micro = seconds * 1e6;
    // Rounded to a tenth of a microsecond, 999.96 µs reads as a millisecond.
    if (micro < 999.95)
        std::snprintf(text, sizeof text, "%.1f µs", micro);
    else
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    return text;
}

} // namespace tavrin
