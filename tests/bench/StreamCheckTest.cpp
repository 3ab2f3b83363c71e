// The soak's accounting: what it calls lost must be lost, and a loss at a hot close or an
// unplug must not be called lost when the record cut there happens to look whole.

#include "bench/soak/StreamCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tavrin::bench {
namespace {

std::string Records(std::uint64_t from, std::uint64_t to) {
    std::string out;
    for (std::uint64_t seq = from; seq < to; ++seq)
        AppendRecord(seq, out);
    return out;
}

void FeedInChunks(StreamCheck& check, const std::string& bytes, std::uint64_t moment) {
    // Chunk sizes that cut records anywhere, as reads do.
    constexpr std::size_t sizes[] = {1, 7, 15, 16, 17, 4095, 65536};
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < bytes.size(); ++i) {
        const std::size_t n = std::min(sizes[i % std::size(sizes)], bytes.size() - pos);
        check.Feed(bytes.data() + pos, n, moment);
        pos += n;
    }
}

TEST(SoakStreamCheck, AWholeStreamInAnyChunksLosesNothing) {
    MomentLog log;
    StreamCheck check(log);
    FeedInChunks(check, Records(0, 30000), 0);
    check.Finish(30000, 0);
    EXPECT_EQ(check.Lost(), 0u);
    EXPECT_EQ(check.LostAtMoments(), 0u);
    EXPECT_EQ(check.Received(), 30000u * kRecordSize);
}

// A port that is closed while the stream runs throws away what it had queued: one read
// block (4096 records). The record under way was cut after `cut` bytes.
struct CutCase {
    const char* name;
    std::uint64_t record; // the record the reader expected next when the port closed
    std::size_t cut;
    bool moment; // the close was counted and logged
    std::uint64_t lost;
};

class SoakStreamCheckCut : public testing::TestWithParam<CutCase> {};

TEST_P(SoakStreamCheckCut, CountsTheBlockWhereItFell) {
    const CutCase& c = GetParam();
    MomentLog log;
    StreamCheck check(log);
    // The reader has seen the stream up to `cut` bytes into the record it expects next (the
    // stream's start is skipped over as a gap of no moment's; only what follows counts).
    const std::string seen = Records(c.record - 50, c.record + 1);
    FeedInChunks(check, seen.substr(0, seen.size() - kRecordSize + c.cut), 0);
    const std::uint64_t lostBefore = check.Lost();
    std::uint64_t moment = 0;
    if (c.moment) {
        ++moment;
        log.Add(check.Expected());
    }
    // What follows the thrown-away block: the rest of the record it cut, and on.
    const std::string after = Records(c.record + 4096, c.record + 4200);
    FeedInChunks(check, after.substr(c.cut), moment);
    check.Finish(c.record + 4200, moment);

    EXPECT_EQ(check.Lost() - lostBefore, c.lost);
    EXPECT_GE(check.Lost() - lostBefore + check.LostAtMoments(), 4096u * kRecordSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, SoakStreamCheckCut,
    testing::Values(
        // 15 bytes of this record and the last byte of the one 4096 later pass an XOR check.
        CutCase{"JoinThatLooksWhole", 788554904, 15, true, 0},
        // One join in 256 passes any one-byte check: this one passes the CRC.
        CutCase{"JoinThatPassesTheCheck", 135217, 15, true, 0},
        CutCase{"CutMidRecord", 788554904, 7, true, 0},
        CutCase{"CutBetweenRecords", 123456, 0, true, 0},
        CutCase{"NoMomentIsALoss", 123456, 0, false, 4096 * kRecordSize}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(SoakStreamCheck, ALossRecordsAfterAMomentIsALoss) {
    MomentLog log;
    StreamCheck check(log);
    FeedInChunks(check, Records(0, 500), 0);
    log.Add(check.Expected());
    // The port reopened and read on for a while before anything went missing.
    FeedInChunks(check, Records(500, 600), 1);
    FeedInChunks(check, Records(610, 700), 1);
    EXPECT_EQ(check.Lost(), 10u * kRecordSize);
    EXPECT_EQ(check.LostAtMoments(), 0u);
}

TEST(SoakStreamCheck, AChangedByteCostsItsRecord) {
    MomentLog log;
    StreamCheck check(log);
    std::string stream = Records(0, 100);
    stream[50 * kRecordSize + 9] ^= 0x01;
    FeedInChunks(check, stream, 0);
    check.Finish(100, 0);
    EXPECT_EQ(check.Lost(), kRecordSize);
}

} // namespace
} // namespace tavrin::bench
