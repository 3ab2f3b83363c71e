#pragma once

// The class library's string list, as far as the engine needs one: an ordered list of byte
// strings that can be sorted without regard to letter case.

#include "base/Persistent.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavrin {

class TStrings : public TPersistent {
public:
    const char* ClassName() const override { return "TStrings"; }

    // Appends `text` and returns its index.
    std::size_t Add(const std::string& text);
    std::size_t Count() const { return items_.size(); }
    const std::string& operator[](std::size_t index) const { return items_.at(index); }
    void Clear() { items_.clear(); }
    // Ascending, ASCII letters compared without case ("COM1", "COM10", "COM2"); equal
    // texts keep their order.
    void Sort();

private:
    std::vector<std::string> items_;
};

// Compares as Sort does: negative, zero or positive.
int CompareText(const std::string& a, const std::string& b);

} // namespace tavrin
