// The input queue's ring: bytes come out in the order they went in, across the wrap of the
// storage and across its growth while wrapped.

#include "platform/driver/CommDriverRing.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace win {
namespace {

TEST(ByteRingTest, KeepsOrderAcrossWrapsAndGrowth) {
    ByteRing ring;
    std::deque<std::uint8_t> expected;
    std::uint8_t next = 0;
    // Pushes and pops of uneven sizes, so that both the copy in and the copy out split at
    // the end of the storage and the storage grows while its content is wrapped.
    const std::size_t steps[][2] = {{200, 150}, {100, 0}, {300, 120}, {50, 380},
                                    {700, 10},  {1, 600}, {1000, 0},  {0, 5000}};
    for (const auto& step : steps) {
        std::vector<std::uint8_t> in(step[0]);
        for (auto& byte : in) {
            byte = next++;
            expected.push_back(byte);
        }
        ring.Push(in.data(), in.size());
        std::vector<std::uint8_t> out(step[1]);
        const std::size_t got = ring.Pop(out.data(), out.size());
        ASSERT_EQ(got, std::min(step[1], got + ring.Size()));
        for (std::size_t i = 0; i < got; ++i) {
            ASSERT_EQ(out[i], expected.front()) << "step of " << step[0] << "/" << step[1];
            expected.pop_front();
        }
        ASSERT_EQ(ring.Size(), expected.size());
    }
    EXPECT_TRUE(ring.Empty());
}

} // namespace
} // namespace win
