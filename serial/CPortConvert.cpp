// Text forms of booleans, characters and integers, as the stored settings write them.

#include "serial/CPort.h"

#include <cstdint>

namespace tavrin {

std::string BoolToText(bool value) {
    return value ? "Yes" : "No";
}

bool TextToBool(const std::string& text) {
    if (text.size() != 3)
        return false;
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return upper(text[0]) == 'Y' && upper(text[1]) == 'E' && upper(text[2]) == 'S';
}

// Control characters, the blank and the upper half are written as "#<code>" so that a
// stored value survives editors and code-page conversions.
std::string CharToText(char value) {
    const auto code = static_cast<unsigned char>(value);
    if (code >= 33 && code <= 127)
        return std::string(1, value);
    return "#" + std::to_string(code);
}

char TextToChar(const std::string& text) {
    if (text.empty())
        return 0;
    if (text[0] == '#' && text.size() > 1) {
        std::int32_t code = 0;
        if (!TryTextToInt(text.substr(1), code))
            return 0;
        return static_cast<char>(static_cast<std::uint32_t>(code) & 0xFF);
    }
    return text[0];
}

namespace {
int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

bool TryTextToInt(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return false;

    // Hexadecimal spells a 32-bit pattern ($FFFFFFFF is -1); decimal must fit the signed
    // range. The magnitude is kept in 64 bits and checked digit by digit, so no length of
    // text can overflow it.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], hex);
        if (digit < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

} // namespace tavrin
