#pragma once

// The settings of one UART on an asynchronous line: what both ends must agree on for a
// character to arrive as it was sent.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrin::board {

enum class Parity : std::uint8_t { None, Odd, Even, Mark, Space };

struct UartSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8; // 5 to 8
    Parity parity = Parity::None;
    std::uint8_t stopHalves = 2; // stop bits in half bits: 2 one, 3 one and a half, 4 two

    bool operator==(const UartSettings&) const = default;
};

// Start bit, data, parity and stop bits on the line.
std::chrono::nanoseconds CharacterTime(const UartSettings& uart);

// "9600 8N1", "19200 7E2", "110 5N1.5".
std::string SettingsText(const UartSettings& uart);

// From a baud rate and a frame text ("8E1", letter case ignored); nothing when either is
// not a setting a UART can take.
std::optional<UartSettings> ParseSettings(const std::string& baud, const std::string& frame);

} // namespace tavrin::board
