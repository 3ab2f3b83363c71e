#pragma once

// The words of a command line as the board reads them: upper case, split at blanks.

#include <optional>
#include <string>
#include <vector>

namespace tavrin::board {

using Words = std::vector<std::string>;

std::string Trim(const std::string& text);
// Never empty: a line of blanks gives one empty word.
Words SplitWords(const std::string& command);
bool IsOnOff(const std::string& word);
// A decimal number from `least` to `most`; nothing for anything else.
std::optional<int> NumberIn(const std::string& word, int least, int most);

} // namespace tavrin::board
