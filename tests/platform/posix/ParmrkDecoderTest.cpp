// Undoing the kernel's input marking, also when a sequence is cut between two reads.

#include "platform/posix/ParmrkDecoder.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace win::posix {
namespace {

struct DecodeCase {
    const char* name;
    std::string marked;
    std::string plain;
    std::vector<std::pair<std::size_t, std::uint8_t>> marks;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class ParmrkDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ParmrkDecodeTest, WholeAndCutAtEveryPoint) {
    const DecodeCase& c = GetParam();
    const Bytes in = Of(c.marked);
    for (std::size_t cut = 0; cut <= in.size(); ++cut) {
        ParmrkDecoder decoder;
        Bytes out;
        std::vector<ParmrkDecoder::Mark> marks;
        decoder.Decode(in.data(), cut, out, marks);
        decoder.Decode(in.data() + cut, in.size() - cut, out, marks);
        EXPECT_EQ(out, Of(c.plain)) << "cut at " << cut;
        ASSERT_EQ(marks.size(), c.marks.size()) << "cut at " << cut;
        for (std::size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].position, c.marks[i].first);
            EXPECT_EQ(marks[i].byte, c.marks[i].second);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Posix, ParmrkDecodeTest,
    ::testing::Values(
        DecodeCase{"PlainBytesPass", std::string("a\0b", 3), std::string("a\0b", 3), {}},
        DecodeCase{"DoubledFFIsOne", "x\xFF\xFFy", "x\xFFy", {}},
        DecodeCase{"MarkedByteKeptAndReported", std::string("a\xFF\x00q", 4), "aq", {{1, 'q'}}},
        DecodeCase{
            "BreakIsAMarkedNul", std::string("\xFF\x00\x00z", 4), std::string("\0z", 2), {{0, 0}}},
        DecodeCase{"MarkedFF", std::string("\xFF\x00\xFF\xFF\xFF", 5), "\xFF\xFF", {{0, 0xFF}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParmrkDecoder, ResetForgetsAnUnfinishedSequence) {
    ParmrkDecoder decoder;
    Bytes out;
    std::vector<ParmrkDecoder::Mark> marks;
    const Bytes first = {'a', 0xFF};
    decoder.Decode(first.data(), first.size(), out, marks);
    decoder.Reset();
    const Bytes second = {'b'};
    decoder.Decode(second.data(), second.size(), out, marks);
    EXPECT_EQ(out, (Bytes{'a', 'b'}));
    EXPECT_TRUE(marks.empty());
}

} // namespace
} // namespace win::posix
