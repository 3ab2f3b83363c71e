#include "app/widgets/HeldText.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

HeldText::HeldText() : starts_(1, 0) {}

std::string HeldText::Bytes(std::size_t from, std::size_t to) const {
    std::string bytes;
    to = std::min(to, size_);
    if (from >= to)
        return bytes;
    bytes.reserve(to - from);
    for (std::size_t k = head_ + from; k < head_ + to;) {
        const std::size_t n = std::min(kBlock - k % kBlock, head_ + to - k);
        bytes.append(blocks_[k / kBlock].get() + k % kBlock, n);
        k += n;
    }
    return bytes;
}

std::size_t HeldText::LineOf(std::size_t position) const {
    std::size_t low = 0, high = starts_.size(); // the answer is in [low, high)
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (LineStart(middle) <= position)
            low = middle;
        else
            high = middle;
    }
    return low;
}

void HeldText::Append(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t end = head_ + size_;
        if (end / kBlock == blocks_.size())
            blocks_.push_back(std::make_unique<char[]>(kBlock));
        const std::size_t n = std::min(kBlock - end % kBlock, bytes.size() - done);
        std::memcpy(blocks_[end / kBlock].get() + end % kBlock, bytes.data() + done, n);
        for (std::size_t i = 0; i < n; ++i) {
            if (bytes[done + i] == '\n')
                starts_.push_back(static_cast<std::uint32_t>(dropped_ + size_ + i + 1));
        }
        size_ += n;
        done += n;
    }
}

void HeldText::DropFront(std::size_t count) {
    head_ += count;
    size_ -= count;
    dropped_ += count;
    while (head_ >= kBlock) {
        blocks_.pop_front();
        head_ -= kBlock;
    }
}

HeldText::Dropped HeldText::KeepNewest(std::size_t limit) {
    Dropped dropped;
    if (size_ <= limit)
        return dropped;
    const std::size_t need = size_ - limit;
    // The first line that starts at or after `need`.
    std::size_t line = LineOf(need);
    if (LineStart(line) < need)
        ++line;
    if (line < starts_.size()) {
        dropped.chars = LineStart(line);
    } else {
        line = starts_.size() - 1;
        dropped.chars = size_ - limit / 8 * 7;
        dropped.firstLineCut = true;
    }
    dropped.lines = line;
    DropFront(dropped.chars);
    starts_.erase(starts_.begin(), starts_.begin() + static_cast<std::ptrdiff_t>(line));
    if (dropped.firstLineCut)
        starts_.front() = static_cast<std::uint32_t>(dropped_);
    return dropped;
}

void HeldText::Clear() {
    std::deque<std::unique_ptr<char[]>>().swap(blocks_);
    std::deque<std::uint32_t>(1, 0).swap(starts_);
    head_ = size_ = 0;
    dropped_ = 0;
}

} // namespace tavrin
