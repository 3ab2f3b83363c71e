#pragma once

// Registry keys, value names and ini sections and keys are matched as Windows matches them:
// ASCII letters without their case, every other byte as it is.

#include <string_view>

namespace win {

inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

} // namespace win
