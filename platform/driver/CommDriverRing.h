#pragma once

// The driver's input queue: bytes go in and out in blocks (memcpy), never one at a time, so
// that a flood costs a copy per block rather than work per byte. The storage grows on demand
// and never shrinks while bytes are held, so a smaller queue size never loses what arrived.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace win {

class ByteRing {
public:
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }

    void Clear() {
        head_ = 0;
        size_ = 0;
    }

    void Push(const std::uint8_t* bytes, std::size_t count) {
        if (count == 0)
            return;
        Reserve(size_ + count);
        std::size_t tail = (head_ + size_) % store_.size();
        const std::size_t first = std::min(count, store_.size() - tail);
        std::memcpy(store_.data() + tail, bytes, first);
        std::memcpy(store_.data(), bytes + first, count - first);
        size_ += count;
    }

    // Moves up to `count` bytes from the front to `out`; returns how many.
    std::size_t Pop(std::uint8_t* out, std::size_t count) {
        count = std::min(count, size_);
        if (count == 0)
            return 0;
        const std::size_t first = std::min(count, store_.size() - head_);
        std::memcpy(out, store_.data() + head_, first);
        std::memcpy(out + first, store_.data(), count - first);
        head_ = (head_ + count) % store_.size();
        size_ -= count;
        if (size_ == 0)
            head_ = 0;
        return count;
    }

private:
    void Reserve(std::size_t needed) {
        if (needed <= store_.size())
            return;
        std::vector<std::uint8_t> bigger(std::max<std::size_t>({needed, store_.size() * 2, 256}));
        const std::size_t held = size_;
        if (held != 0)
            Pop(bigger.data(), held);
        store_.swap(bigger);
        head_ = 0;
        size_ = held;
    }

    std::vector<std::uint8_t> store_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace win
