#pragma once

// Undoes the kernel's marking of received bytes (termios PARMRK): a real 0xFF arrives as
// 0xFF 0xFF, a byte received with a parity or framing error, and a break, as 0xFF 0x00 c.
// A sequence cut between two reads is carried over to the next.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace win::posix {

class ParmrkDecoder {
public:
    // A byte that arrived marked: where it went in the output, and its value (0 for a break).
    struct Mark {
        std::size_t position;
        std::uint8_t byte;
    };

    // Appends the received bytes to `out` (marked ones included, in place) and their marks
    // to `marks`.
    void Decode(const std::uint8_t* in, std::size_t count, std::vector<std::uint8_t>& out,
                std::vector<Mark>& marks);
    // Forgets a sequence cut short (the input was flushed).
    void Reset() { state_ = State::Plain; }

private:
    enum class State : std::uint8_t { Plain, Escape, Marked };
    State state_ = State::Plain;
};

} // namespace win::posix
