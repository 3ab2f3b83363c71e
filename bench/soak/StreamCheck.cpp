#include "bench/soak/StreamCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavrin::bench {

namespace {

constexpr unsigned char kMark = 0xA5;

unsigned char Payload(std::uint64_t seq, std::size_t i) {
    return static_cast<unsigned char>((seq * 31 + i * 7 + (seq >> 8)) & 0xFF);
}

// A CRC rather than an XOR: records 4096 apart differ by the same step in ten of their
// bytes, which an XOR cancels in pairs, so the head of one record and the last byte of a
// record one read block later passed for a whole record in about a third of such joins.
unsigned char Check(const unsigned char* p) {
    unsigned char crc = 0;
    for (std::size_t i = 0; i + 1 < kRecordSize; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<unsigned char>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

// The record starting at `p`, or false when those bytes are not one.
bool Parse(const unsigned char* p, std::uint64_t& seq) {
    if (p[0] != kMark || Check(p) != p[kRecordSize - 1])
        return false;
    seq = 0;
    for (int i = 0; i < 5; ++i)
        seq |= std::uint64_t{p[1 + i]} << (8 * i);
    for (std::size_t i = 0; i < 9; ++i) {
        if (p[6 + i] != Payload(seq, i))
            return false;
    }
    return true;
}

} // namespace

void AppendRecord(std::uint64_t seq, std::string& out) {
    unsigned char r[kRecordSize];
    r[0] = kMark;
    for (int i = 0; i < 5; ++i)
        r[1 + i] = static_cast<unsigned char>(seq >> (8 * i));
    for (std::size_t i = 0; i < 9; ++i)
        r[6 + i] = Payload(seq, i);
    r[kRecordSize - 1] = Check(r);
    out.append(reinterpret_cast<const char*>(r), kRecordSize);
}

void MomentLog::Add(std::uint64_t record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

bool MomentLog::Near(std::uint64_t from, std::uint64_t to) const {
    std::lock_guard lock(mutex_);
    for (std::uint64_t record : records_) {
        if (record >= from && record <= to)
            return true;
    }
    return false;
}

void StreamCheck::Account(std::uint64_t missing, std::uint64_t moment, std::uint64_t to) {
    if (missing == 0)
        return;
    // The record under way at a moment may still pass for whole when its last bytes come
    // from beyond the gap (one in 256 joins passes any one-byte check): a gap that begins
    // right after it begins at the moment too.
    const std::uint64_t from = expected_ > 0 ? expected_ - 1 : 0;
    const bool atMoment = moment != lastMoment_ || moments_.Near(from, to);
    if (atMoment)
        lostAtMoments_ += missing;
    else
        lost_ += missing;
    static const bool trace = std::getenv("SOAK_TRACE") != nullptr;
    if (trace)
        std::fprintf(stderr, "soak: %llu bytes %s before record %llu (%llu skipped)\n",
                     static_cast<unsigned long long>(missing), atMoment ? "at a moment" : "LOST",
                     static_cast<unsigned long long>(expected_),
                     static_cast<unsigned long long>(skipped_));
}

void StreamCheck::Feed(const char* data, std::size_t size, std::uint64_t moment) {
    received_ += size;
    pending_.append(data, size);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pending_.data());
    std::size_t pos = 0;
    while (pending_.size() - pos >= kRecordSize) {
        std::uint64_t seq = 0;
        if (!Parse(bytes + pos, seq)) {
            ++pos;
            ++skipped_;
            continue;
        }
        if (seq >= expected_) {
            // A cut record is part of the gap; bytes beyond it were changed or made up.
            Account(std::max<std::uint64_t>((seq - expected_) * kRecordSize, skipped_), moment,
                    seq);
            expected_ = seq + 1;
        } else {
            // Again or out of order: the record is as wrong as a changed one.
            Account(skipped_ + kRecordSize, moment, expected_);
        }
        skipped_ = 0;
        lastMoment_ = moment;
        pos += kRecordSize;
    }
    pending_.erase(0, pos);
}

void StreamCheck::Finish(std::uint64_t next, std::uint64_t moment) {
    const std::uint64_t missing = next > expected_ ? (next - expected_) * kRecordSize : 0;
    Account(std::max<std::uint64_t>(missing, skipped_ + pending_.size()), moment, next);
    expected_ = std::max(expected_, next);
    skipped_ = 0;
    pending_.clear();
    lastMoment_ = moment;
}

} // namespace tavrin::bench
