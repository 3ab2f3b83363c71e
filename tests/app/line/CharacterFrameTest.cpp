// A byte as the line carries it: the bits in the order they leave, their levels and lengths,
// and the times told as a student reads them off the drawing.

#include "app/line/CharacterFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin::testing {
namespace {

// "I S 1 0 0 ... P T1.5": the frame written out, one token per bit.
std::string Written(const CharacterFrame& frame) {
    std::string text;
    for (const FrameBit& bit : frame.bits) {
        if (!text.empty())
            text += ' ';
        switch (bit.kind) {
        case FrameBitKind::Idle:
            text += "I" + std::to_string(bit.level);
            break;
        case FrameBitKind::Start:
            text += "S" + std::to_string(bit.level);
            break;
        case FrameBitKind::Data:
            text += "D" + std::to_string(bit.index) + "=" + std::to_string(bit.level);
            break;
        case FrameBitKind::Parity:
            text += "P" + std::to_string(bit.level);
            break;
        case FrameBitKind::Stop:
            text += "T" + std::to_string(bit.level) + "x" +
                    (bit.length == 1.5 ? std::string("1.5") : std::to_string(int(bit.length)));
            break;
        }
    }
    return text;
}

TEST(CharacterFrameTest, BitsLeaveLeastSignificantFirstBetweenStartAndStop) {
    const struct {
        unsigned char byte;
        LineSettings settings;
        const char* bits;
        const char* bitTime;
        const char* characterTime;
    } cases[] = {
        {'A',
         {"COM1", 9600, 8, prNone, sbOneStopBit},
         "I1 S0 D0=1 D1=0 D2=0 D3=0 D4=0 D5=0 D6=1 D7=0 T1x1",
         "104.2 µs",
         "1.04 ms"},
        // 0x41 has two ones among its seven low bits: even parity adds a 0.
        {'A',
         {"COM1", 19200, 7, prEven, sbTwoStopBits},
         "I1 S0 D0=1 D1=0 D2=0 D3=0 D4=0 D5=0 D6=1 P0 T1x2",
         "52.1 µs",
         "572.9 µs"},
        // Five bits of 0x41 carry a single one: odd parity adds a 0.
        {'A',
         {"COM1", 9600, 5, prOdd, sbOne5StopBits},
         "I1 S0 D0=1 D1=0 D2=0 D3=0 D4=0 P0 T1x1.5",
         "104.2 µs",
         "885.4 µs"},
        {'C',
         {"COM1", 9600, 8, prOdd, sbOneStopBit},
         "I1 S0 D0=1 D1=1 D2=0 D3=0 D4=0 D5=0 D6=1 D7=0 P0 T1x1",
         "104.2 µs",
         "1.15 ms"},
        {0xFF,
         {"COM1", 9600, 8, prOdd, sbOneStopBit},
         "I1 S0 D0=1 D1=1 D2=1 D3=1 D4=1 D5=1 D6=1 D7=1 P1 T1x1",
         "104.2 µs",
         "1.15 ms"},
        {0x00,
         {"COM1", 115200, 8, prMark, sbOneStopBit},
         "I1 S0 D0=0 D1=0 D2=0 D3=0 D4=0 D5=0 D6=0 D7=0 P1 T1x1",
         "8.7 µs",
         "95.5 µs"},
        {0xFF,
         {"COM1", 300, 8, prSpace, sbOneStopBit},
         "I1 S0 D0=1 D1=1 D2=1 D3=1 D4=1 D5=1 D6=1 D7=1 P0 T1x1",
         "3.33 ms",
         "36.67 ms"},
        // A 6-bit frame carries the low six bits of 0xE9 (11101001): 101001.
        {0xE9,
         {"COM1", 9600, 6, prEven, sbOneStopBit},
         "I1 S0 D0=1 D1=0 D2=0 D3=1 D4=0 D5=1 P1 T1x1",
         "104.2 µs",
         "937.5 µs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.settings) + " byte " + std::to_string(c.byte));
        const CharacterFrame frame = FrameOf(c.byte, c.settings);
        EXPECT_EQ(Written(frame), c.bits);
        EXPECT_EQ(DurationText(frame.bitSeconds), c.bitTime);
        EXPECT_EQ(DurationText(frame.characterSeconds), c.characterTime);
    }
}

TEST(CharacterFrameTest, DurationsChangeUnitWhereTheRoundedTextReachesAMillisecond) {
    EXPECT_EQ(DurationText(999.9e-6), "999.9 µs");
    EXPECT_EQ(DurationText(999.97e-6), "1.00 ms");
    EXPECT_EQ(DurationText(1.0 / 110), "9.09 ms");
    EXPECT_EQ(DurationText(0), "0.0 µs");
}

} // namespace
} // namespace tavrin::testing
