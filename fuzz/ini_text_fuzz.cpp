// The ini reader and editor on any bytes: no crash, no read outside the text, and a value
// that was just written is the value read back.
//
// Input: one byte picks the section name's length, one the key's, one the value's; the
// names and the value are made of letters and digits from the next bytes; the rest is the
// file's text.

#include "platform/config/IniText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
std::string Name(std::string_view& input, std::size_t length) {
    static const char alphabet[] = "abcXYZ019._ ";
    std::string name;
    for (std::size_t i = 0; i < length && !input.empty(); ++i) {
        name.push_back(alphabet[static_cast<unsigned char>(input.front()) % 11]); // no blank
        input.remove_prefix(1);
    }
    return name.empty() ? "k" : name;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.size() < 3)
        return 0;
    const std::size_t sectionLength = 1 + static_cast<unsigned char>(input[0]) % 8;
    const std::size_t keyLength = 1 + static_cast<unsigned char>(input[1]) % 8;
    const std::size_t valueLength = static_cast<unsigned char>(input[2]) % 16;
    input.remove_prefix(3);
    const std::string section = Name(input, sectionLength);
    const std::string key = Name(input, keyLength);
    std::string value = Name(input, valueLength);
    const std::string text(input);

    (void)win::ini::FindValue(text, section, key);
    (void)win::ini::SectionNames(text);
    (void)win::ini::KeyNames(text, section);

    const std::string edited = win::ini::Edit(text, section, key.c_str(), value.c_str());
    const auto readBack = win::ini::FindValue(edited, section, key);
    if (!readBack || *readBack != value)
        std::abort();
    // Removing the key takes out the line just written, nothing else.
    const std::string removed = win::ini::Edit(edited, section, key.c_str(), nullptr);
    if (removed.size() >= edited.size())
        std::abort();
    (void)win::ini::Edit(text, section, nullptr, nullptr);
    return 0;
}
