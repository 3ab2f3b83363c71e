// A modem-line change that comes between reading the lines and entering the wait for the
// next change is not lost: the driver's interrupt counters show it.

#include "platform/posix/ModemWatch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <vector>

namespace win::posix {
namespace {

TEST(ModemWatch, AChangeWhileTheLinesAreReportedIsReportedWithoutWaitingForTheNext) {
    std::mutex mutex;
    std::condition_variable reported;
    DWORD lines = MS_CTS_ON;
    ErrorCounts counts;
    std::vector<DWORD> reports;

    ModemWatch::Device device;
    device.readLines = [&](DWORD& msBits) {
        std::lock_guard lock(mutex);
        msBits = lines;
        return 0;
    };
    device.readCounts = [&](ErrorCounts& now) {
        std::lock_guard lock(mutex);
        now = counts;
        return 0;
    };
    // No further change ever comes: the wait ends only when the watch is stopped.
    device.waitChange = [] { return ::poll(nullptr, 0, -1) < 0 ? errno : 0; };

    {
        ModemWatch watch(device, [&](DWORD msBits) {
            std::lock_guard lock(mutex);
            reports.push_back(msBits);
            if (reports.size() == 1) {
                // DSR rises after the lines were read, before the wait begins.
                lines |= MS_DSR_ON;
                ++counts.dsr;
            }
            reported.notify_all();
        });
        std::unique_lock lock(mutex);
        reported.wait_for(lock, std::chrono::seconds(10), [&] { return reports.size() >= 2; });
    }
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], MS_CTS_ON | MS_DSR_ON);
}

} // namespace
} // namespace win::posix
