// The look at the kernel's output queue while nothing leaves: a few wake-ups, not one per
// character time.

#include "platform/posix/OutputCheck.h"

#include <gtest/gtest.h>

namespace win::posix {
namespace {

using namespace std::chrono_literals;

TEST(OutputCheck, AStallOfFiveSecondsWakesAtMostTenTimesAtAnyRate) {
    // One character's line time at 115200, 9600 and 300 baud.
    for (const auto lineTime : {87us, 1042us, 33333us}) {
        std::chrono::nanoseconds waited{};
        std::chrono::nanoseconds interval{};
        int wakeups = 0;
        while (waited < 5s) {
            interval = NextOutputCheck(lineTime, interval, false);
            waited += interval;
            ++wakeups;
        }
        EXPECT_LE(wakeups, 10) << lineTime.count();
    }
}

TEST(OutputCheck, ProgressBringsBackTheLineTime) {
    auto interval = NextOutputCheck(1ms, {}, false);
    EXPECT_EQ(interval, 1ms);
    for (int i = 0; i < 5; ++i)
        interval = NextOutputCheck(1ms, interval, false);
    EXPECT_EQ(interval, kLongestOutputCheck);
    EXPECT_EQ(NextOutputCheck(1ms, interval, true), 1ms);
    // A long queue at a slow rate is still looked at within the longest wait.
    EXPECT_EQ(NextOutputCheck(10s, {}, true), kLongestOutputCheck);
}

} // namespace
} // namespace win::posix
