#pragma once

// The text the reception pane holds: the bytes as they came, one per character, in blocks
// of a fixed size, and where each line starts. A lab runs all day, so the text costs a
// little more than a byte per character and no object per line, and the oldest whole lines
// make room once it holds as much as it may.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace tavrin {

class HeldText {
public:
    HeldText();

    std::size_t size() const { return size_; }
    char at(std::size_t position) const {
        const std::size_t k = head_ + position;
        return blocks_[k / kBlock][k % kBlock];
    }
    // The bytes from `from` up to `to`.
    std::string Bytes(std::size_t from, std::size_t to) const;

    // Never less than one: an empty text is one empty line.
    std::size_t LineCount() const { return starts_.size(); }
    std::size_t LineStart(std::size_t line) const {
        return static_cast<std::uint32_t>(starts_[line] - static_cast<std::uint32_t>(dropped_));
    }
    // Where the line's text ends (its "\n", or the end of the text).
    std::size_t LineEnd(std::size_t line) const {
        return line + 1 < starts_.size() ? LineStart(line + 1) - 1 : size_;
    }
    std::size_t LineOf(std::size_t position) const;

    // Adds bytes at the end; '\n' starts a new line.
    void Append(std::string_view bytes);

    struct Dropped {
        std::size_t chars = 0;
        std::size_t lines = 0;
        bool firstLineCut = false; // the first line lost its beginning
    };
    // Drops the oldest whole lines until at most `limit` characters are left. A single line
    // longer than that loses its beginning instead, down to seven eighths of `limit`, so
    // that a line that never ends is not cut again at every chunk.
    Dropped KeepNewest(std::size_t limit);

    // Empties the text and gives its memory back.
    void Clear();

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    void DropFront(std::size_t count);

    std::deque<std::unique_ptr<char[]>> blocks_;
    std::size_t head_ = 0; // where the first byte is in the first block
    std::size_t size_ = 0;
    // Line starts counted from the first byte ever added, kept modulo 2^32: the text held is
    // always far shorter than that, so differences come out right.
    std::deque<std::uint32_t> starts_;
    std::uint64_t dropped_ = 0;
};

} // namespace tavrin
