#pragma once

// The text of an ini file as the profile functions read and edit it. Lines end with LF or
// CR LF (a last line may have no end); "[name]" starts a section; "key=value" is a key,
// blanks around the key and the value are dropped and one pair of matching quotes around
// the value too. Sections and keys match without letter case (ASCII); the first of equal
// names wins. Lines of any other shape (comments, garbage) are kept and never match.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win::ini {

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key);
std::vector<std::string> SectionNames(std::string_view text);
std::vector<std::string> KeyNames(std::string_view text, std::string_view section);

// The text with one change, every other line kept byte for byte. `key` null removes the
// section; `value` null removes the key; otherwise the key is replaced in place or added
// at the end of its section, and a missing section is added at the end of the text. New
// lines end the way the text's first line does (LF for an empty text).
std::string Edit(std::string_view text, std::string_view section, const char* key,
                 const char* value);

} // namespace win::ini
