#include "base/Strings.h"

#include <algorithm>

namespace tavrin {

namespace {
unsigned char Fold(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}
} // namespace

int CompareText(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = Fold(a[i]) - Fold(b[i]);
        if (difference != 0)
            return difference;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::size_t TStrings::Add(const std::string& text) {
    items_.push_back(text);
    return items_.size() - 1;
}

void TStrings::Sort() {
    std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
        return CompareText(a, b) < 0;
    });
}

} // namespace tavrin
