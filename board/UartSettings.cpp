#include "board/UartSettings.h"

#include <cctype>

namespace tavrin::board {

std::chrono::nanoseconds CharacterTime(const UartSettings& uart) {
    if (uart.baud == 0)
        return {};
    const long long halves =
        2LL * (1 + uart.dataBits + (uart.parity != Parity::None ? 1 : 0)) + uart.stopHalves;
    return std::chrono::nanoseconds(halves * 1'000'000'000LL / (2LL * uart.baud));
}

std::string SettingsText(const UartSettings& uart) {
    static const char letters[] = {'N', 'O', 'E', 'M', 'S'};
    std::string text = std::to_string(uart.baud) + ' ' + std::to_string(uart.dataBits) +
                       letters[static_cast<int>(uart.parity)];
    text += uart.stopHalves == 3 ? "1.5" : uart.stopHalves == 4 ? "2" : "1";
    return text;
}

std::optional<UartSettings> ParseSettings(const std::string& baud, const std::string& frame) {
    // A UART divides its clock down to the rate; these are the rates boards and adapters
    // share.
    static const std::uint32_t rates[] = {110,    300,    600,    1200,   2400,   4800,
                                          9600,   14400,  19200,  38400,  56000,  57600,
                                          115200, 128000, 230400, 256000, 460800, 921600};
    if (baud.empty() || baud.size() > 7)
        return std::nullopt;
    std::uint32_t rate = 0;
    for (char c : baud) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        rate = rate * 10 + static_cast<std::uint32_t>(c - '0');
    }
    bool known = false;
    for (std::uint32_t r : rates)
        known = known || r == rate;
    if (!known || frame.size() < 3)
        return std::nullopt;
    UartSettings uart;
    uart.baud = rate;
    if (frame[0] < '5' || frame[0] > '8')
        return std::nullopt;
    uart.dataBits = static_cast<std::uint8_t>(frame[0] - '0');
    switch (std::toupper(static_cast<unsigned char>(frame[1]))) {
    case 'N':
        uart.parity = Parity::None;
        break;
    case 'O':
        uart.parity = Parity::Odd;
        break;
    case 'E':
        uart.parity = Parity::Even;
        break;
    case 'M':
        uart.parity = Parity::Mark;
        break;
    case 'S':
        uart.parity = Parity::Space;
        break;
    default:
        return std::nullopt;
    }
    const std::string stop = frame.substr(2);
    if (stop == "1")
        uart.stopHalves = 2;
    else if (stop == "2")
        uart.stopHalves = 4;
    else if (stop == "1.5" && uart.dataBits == 5) // as on the serial drivers' UARTs
        uart.stopHalves = 3;
    else
        return std::nullopt;
    return uart;
}

} // namespace tavrin::board
