#pragma once

// The sequence-numbered stream of the soak: records of 16 bytes (a mark, the record's number,
// nine bytes that follow from the number, a CRC-8 of the fifteen before it), so that every
// byte that arrives can be placed, and every byte that does not, or arrives changed, can be
// counted.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tavrin::bench {

constexpr std::size_t kRecordSize = 16;

// Record `seq` appended to `out`.
void AppendRecord(std::uint64_t seq, std::string& out);

// Where in the stream the moments fell: for an unplug the records the far end had sent
// whole when it was killed, for a hot close the record the handler expected next. Any
// thread.
class MomentLog {
public:
    void Add(std::uint64_t record);
    // Whether a moment fell at a record of [from, to], the ends included.
    bool Near(std::uint64_t from, std::uint64_t to) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::uint64_t> records_;
};

// Follows the stream as it arrives. A byte missing or changed counts as lost at an unplug
// when a moment (the caller's counter) came between the last whole record and the next
// one, or when the gap begins (or begins one record later) or ends where a moment fell in
// the stream: a killed
// terminal's kernel throws away the tail it still held while the port may already have
// read on past the moment in the part before it. Anything else counts as lost.
class StreamCheck {
public:
    explicit StreamCheck(const MomentLog& moments) : moments_(moments) {}

    void Feed(const char* data, std::size_t size, std::uint64_t moment);
    // The stream up to record `next` (exclusive) has been sent and nothing more will come:
    // what has not arrived counts as lost.
    void Finish(std::uint64_t next, std::uint64_t moment);

    std::uint64_t Expected() const { return expected_; }
    bool MidRecord() const { return !pending_.empty(); }
    std::uint64_t Received() const { return received_; }
    std::uint64_t Lost() const { return lost_; }
    std::uint64_t LostAtMoments() const { return lostAtMoments_; }

private:
    void Account(std::uint64_t missing, std::uint64_t moment, std::uint64_t to);

    const MomentLog& moments_;
    std::string pending_;
    std::uint64_t expected_ = 0;
    std::uint64_t lastMoment_ = 0;
    std::uint64_t skipped_ = 0; // bytes since the last whole record that were not one
    std::uint64_t received_ = 0;
    std::uint64_t lost_ = 0;
    std::uint64_t lostAtMoments_ = 0;
};

} // namespace tavrin::bench
