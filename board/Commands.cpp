#include "board/Commands.h"

#include <cctype>

namespace tavrin::board {

namespace {
bool Blank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && Blank(text[first]))
        ++first;
    while (last > first && Blank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

Words SplitWords(const std::string& command) {
    Words words;
    std::string word;
    for (char c : command) {
        if (Blank(c)) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
    }
    if (!word.empty() || words.empty())
        words.push_back(word);
    return words;
}

bool IsOnOff(const std::string& word) {
    return word == "ON" || word == "OFF";
}

std::optional<int> NumberIn(const std::string& word, int least, int most) {
    if (word.empty() || word.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < least || value > most)
        return std::nullopt;
    return value;
}

} // namespace tavrin::board
