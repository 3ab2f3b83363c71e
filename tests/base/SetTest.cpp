#include "base/Set.h"

#include <gtest/gtest.h>

namespace {
enum Colour : unsigned char { Red, Green, Blue };
using Colours = tavrin::Set<Colour, unsigned char>;

TEST(Set, BitNStandsForOrdinalN) {
    Colours s{Red, Blue};
    EXPECT_EQ(s.ToBits(), 0b101);
    EXPECT_TRUE(s.Contains(Blue));
    EXPECT_FALSE(s.Contains(Green));
    EXPECT_EQ((s - Colours{Red}).ToBits(), 0b100);
    EXPECT_TRUE(Colours{}.Empty());
}
} // namespace
