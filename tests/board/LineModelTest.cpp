// What a receiving UART makes of one character, row by row. The expected bytes were worked
// out by hand from the bit timing (see each row's note), not from the model.

#include "board/LineModel.h"

#include <gtest/gtest.h>

namespace tavrin::board {
namespace {

UartSettings U(std::uint32_t baud, const char* frame) {
    auto parsed = ParseSettings(std::to_string(baud), frame);
    EXPECT_TRUE(parsed) << baud << ' ' << frame;
    return parsed.value_or(UartSettings{});
}

Arrival Ok(std::uint8_t byte) {
    return {byte, false, false};
}
Arrival Framing(std::uint8_t byte) {
    return {byte, false, true};
}
Arrival ParityErr(std::uint8_t byte) {
    return {byte, true, false};
}

struct Row {
    const char* name;
    std::uint8_t byte;
    UartSettings sender;
    UartSettings receiver;
    int flippedBit;
    std::vector<Arrival> expected;
};

std::string Show(const std::vector<Arrival>& arrivals) {
    std::string text;
    char item[32];
    for (const Arrival& a : arrivals) {
        std::snprintf(item, sizeof item, "0x%02X%s%s ", a.byte, a.parityError ? " parity" : "",
                      a.framingError ? " framing" : "");
        text += item;
    }
    return text.empty() ? "nothing" : text;
}

TEST(LineModel, WhatArrivesOfOneCharacter) {
    const Row rows[] = {
        {"same 8N1: the byte", 'A', U(9600, "8N1"), U(9600, "8N1"), -1, {Ok('A')}},
        {"same 8E1: the byte", 0xC3, U(9600, "8E1"), U(9600, "8E1"), -1, {Ok(0xC3)}},
        {"same 7O2: seven bits", 'z', U(19200, "7O2"), U(19200, "7O2"), -1, {Ok('z')}},
        {"same 5N1.5: five bits", 0x15, U(110, "5N1.5"), U(110, "5N1.5"), -1, {Ok(0x15)}},
        {"same 115200: the byte", 0xFF, U(115200, "8N1"), U(115200, "8N1"), -1, {Ok(0xFF)}},
        // Each sent bit is two received ones: data sampled from start,d0,d0,d1,d1,d2,d2,d3,
        // stop on d3 (low); then a second character from the edge of d7.
        {"9600 into 19200: two wrong characters",
         'A',
         U(9600, "8N1"),
         U(19200, "8N1"),
         -1,
         {Framing(0x06), Ok(0xFE)}},
        // Samples fall on the sent bit edges and read the new bit: the start sample reads
        // d0 (high) and is a false start; the edge of d1 starts a character read from
        // d2, d4, d6, stop and idle.
        {"9600 into 4800: one wrong character",
         'A',
         U(9600, "8N1"),
         U(4800, "8N1"),
         -1,
         {Ok(0xFE)}},
        {"9600 into 4800: NUL", 0x00, U(9600, "8N1"), U(4800, "8N1"), -1, {Ok(0xF8)}},
        // The whole sent character lasts 10/12 of one received bit: the start sample reads
        // d5; low, the rest is idle line.
        {"115200 into 9600: 0xFF", 'A', U(115200, "8N1"), U(9600, "8N1"), -1, {Ok(0xFF)}},
        // d5 high: a false start, and the next edge (d6) is sampled on the idle line.
        {"115200 into 9600: nothing", ' ', U(115200, "8N1"), U(9600, "8N1"), -1, {}},
        // The eighth bit lands on the stop sample.
        {"8 bits into 7: bit 7 low is a framing error",
         'A',
         U(9600, "8N1"),
         U(9600, "7N1"),
         -1,
         {Framing('A')}},
        {"8 bits into 7: bit 7 high is lost", 0xC1, U(9600, "8N1"), U(9600, "7N1"), -1, {Ok('A')}},
        // The sender's stop bit is read as the eighth data bit.
        {"7 bits into 8: the stop bit becomes bit 7",
         'A',
         U(9600, "7N1"),
         U(9600, "8N1"),
         -1,
         {Ok(0xC1)}},
        // The stop bit is read as the parity bit: 'A' has two ones, even parity wants 0.
        {"no parity into even: parity error",
         'A',
         U(9600, "8N1"),
         U(9600, "8E1"),
         -1,
         {ParityErr('A')}},
        {"no parity into even: a high parity bit fits",
         'C',
         U(9600, "8N1"),
         U(9600, "8E1"),
         -1,
         {Ok('C')}},
        // The even parity bit of 'A' (low) is read as the stop bit.
        {"even into no parity: framing error",
         'A',
         U(9600, "8E1"),
         U(9600, "8N1"),
         -1,
         {Framing('A')}},
        {"even into odd: parity error", 'A', U(9600, "8E1"), U(9600, "8O1"), -1, {ParityErr('A')}},
        {"mark into space: parity error",
         'A',
         U(9600, "8M1"),
         U(9600, "8S1"),
         -1,
         {ParityErr('A')}},
        // A receiver checks the first stop bit only.
        {"two stop bits into one", 'A', U(9600, "8N2"), U(9600, "8N1"), -1, {Ok('A')}},
        {"one stop bit into two", 'A', U(9600, "8N1"), U(9600, "8N2"), -1, {Ok('A')}},
        // Noise: one bit of the frame inverted (0 start, 1..8 data, 9 stop).
        {"noise on d0", 'A', U(9600, "8N1"), U(9600, "8N1"), 1, {Ok('@')}},
        {"noise on the stop bit", 'A', U(9600, "8N1"), U(9600, "8N1"), 9, {Framing('A')}},
        {"noise on the parity bit", 'A', U(9600, "8E1"), U(9600, "8E1"), 9, {ParityErr('A')}},
        // No start bit: the edge of d1 starts a character read from d2..d7, stop, idle.
        {"noise on the start bit", 'A', U(9600, "8N1"), U(9600, "8N1"), 0, {Ok(0xD0)}},
    };
    for (const Row& row : rows) {
        const auto got = Transmit(row.byte, row.sender, row.receiver, row.flippedBit);
        EXPECT_EQ(Show(got), Show(row.expected)) << row.name;
    }
}

TEST(LineModel, EveryByteSurvivesMatchingSettings) {
    for (const char* frame : {"8N1", "8O1", "8E2", "7E1", "6S1", "5M1.5"}) {
        const UartSettings uart = U(9600, frame);
        const int mask = (1 << uart.dataBits) - 1;
        for (int byte = 0; byte < 256; ++byte) {
            const auto got = Transmit(static_cast<std::uint8_t>(byte), uart, uart);
            ASSERT_EQ(got.size(), 1u) << frame << ' ' << byte;
            EXPECT_EQ(got[0], Ok(static_cast<std::uint8_t>(byte & mask))) << frame << ' ' << byte;
        }
    }
}

TEST(UartSettingsText, ParsesWhatAUartTakesAndRefusesTheRest) {
    struct Case {
        const char* baud;
        const char* frame;
        const char* text; // nullptr: refused
    } cases[] = {
        {"19200", "8E1", "19200 8E1"}, {"9600", "7o2", "9600 7O2"},  {"110", "5N1.5", "110 5N1.5"},
        {"9600", "8N1.5", nullptr},    {"9601", "8N1", nullptr},     {"9600", "9N1", nullptr},
        {"9600", "8X1", nullptr},      {"9600", "8N3", nullptr},     {"", "8N1", nullptr},
        {"96OO", "8N1", nullptr},      {"99999999", "8N1", nullptr}, {"9600", "8N", nullptr},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseSettings(c.baud, c.frame);
        if (c.text == nullptr) {
            EXPECT_FALSE(parsed) << c.baud << ' ' << c.frame;
        } else {
            ASSERT_TRUE(parsed) << c.baud << ' ' << c.frame;
            EXPECT_EQ(SettingsText(*parsed), c.text);
        }
    }
    // One start, eight data, one stop bit at 9600: 10/9600 s.
    EXPECT_EQ(CharacterTime(UartSettings{}).count(), 1'041'666);
}

} // namespace
} // namespace tavrin::board
