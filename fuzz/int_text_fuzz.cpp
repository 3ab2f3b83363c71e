// The integer rule and the character texts on any bytes, against a second reading of the
// rule written another way (the C library's strtoull on the digits alone).

#include "serial/CPort.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The rule: blanks; a sign; decimal digits, or hexadecimal after $, x, X, 0x or 0X; nothing
// else; 32 bits (decimal as a signed value, hexadecimal as a bit pattern).
bool Reference(const std::string& text, std::int32_t& value) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    int base = 10;
    if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        i += 1;
    }
    const std::string digits = text.substr(std::min(i, text.size()));
    const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, base);
    if (errno == ERANGE)
        return false;
    const unsigned long long limit =
        base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (magnitude > limit)
        return false;
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::int32_t value = 0;
    std::int32_t expected = 0;
    const bool ok = tavrin::TryTextToInt(text, value);
    if (ok != Reference(text, expected) || (ok && value != expected))
        std::abort();

    // "#" and an integer: its low 8 bits, or 0 when it is no integer.
    const char fromCode = tavrin::TextToChar("#" + text);
    const char wanted = ok ? static_cast<char>(static_cast<std::uint32_t>(value) & 0xFF) : 0;
    if (!text.empty() && fromCode != wanted)
        std::abort();
    // Any other text gives its first character; every character survives its text form.
    if (!text.empty() && text[0] != '#' && tavrin::TextToChar(text) != text[0])
        std::abort();
    for (char c : text)
        if (tavrin::TextToChar(tavrin::CharToText(c)) != c)
            std::abort();
    return 0;
}
