#include "CommFixture.h"

#include "platform/driver/ReadTimeouts.h"

#include <future>

using namespace win;

namespace platform_test {
namespace {

using std::chrono::milliseconds;

TEST(ReadPlan, FollowsTheSerialDriversTimeoutRules) {
    struct Case {
        const char* name;
        COMMTIMEOUTS timeouts;
        DWORD toRead;
        bool atOnce, ifAnyQueued, onFirstByte;
        std::optional<milliseconds> total, interval;
    } cases[] = {
        {"MAXDWORD/0/0 returns what is queued",
         {MAXDWORD, 0, 0, 0, 0},
         10,
         true,
         false,
         false,
         {},
         {}},
        {"MAXDWORD/MAXDWORD/c waits for the first byte up to c",
         {MAXDWORD, MAXDWORD, 50, 0, 0},
         10,
         false,
         true,
         true,
         milliseconds(50),
         {}},
        {"MAXDWORD/m/c returns queued bytes, else a total timeout",
         {MAXDWORD, 2, 5, 0, 0},
         10,
         false,
         true,
         false,
         milliseconds(25),
         {}},
        {"MAXDWORD/m/MAXDWORD has no timer",
         {MAXDWORD, 2, MAXDWORD, 0, 0},
         10,
         false,
         false,
         false,
         {},
         {}},
        {"all zero blocks until everything came", {0, 0, 0, 0, 0}, 10, false, false, false, {}, {}},
        {"total is multiplier times count plus constant",
         {0, 3, 7, 0, 0},
         4,
         false,
         false,
         false,
         milliseconds(19),
         {}},
        {"interval alone", {15, 0, 0, 0, 0}, 4, false, false, false, {}, milliseconds(15)},
        {"interval and total",
         {15, 0, 100, 0, 0},
         4,
         false,
         false,
         false,
         milliseconds(100),
         milliseconds(15)},
        {"a huge product does not overflow",
         {0, MAXDWORD, MAXDWORD, 0, 0},
         MAXDWORD,
         false,
         false,
         false,
         milliseconds(std::int64_t{1} << 40),
         {}},
    };
    for (const Case& c : cases) {
        ReadPlan plan = PlanRead(c.timeouts, c.toRead);
        EXPECT_EQ(plan.returnAtOnce, c.atOnce) << c.name;
        EXPECT_EQ(plan.returnIfAnyQueued, c.ifAnyQueued) << c.name;
        EXPECT_EQ(plan.returnOnFirstByte, c.onFirstByte) << c.name;
        EXPECT_EQ(plan.total, c.total) << c.name;
        EXPECT_EQ(plan.interval, c.interval) << c.name;
    }
}

using Reads = CommFixture;

TEST_F(Reads, DefaultTimeoutsReturnAtOnceWithWhatIsQueued) {
    SetTimeouts(MAXDWORD, 0, 0);
    device->Inject("abcd");
    char buffer[10] = {};
    DWORD read = 99;
    ASSERT_TRUE(ReadFile(file, buffer, 10, &read, &ov));
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(buffer, read), "abcd");
    EXPECT_TRUE(Signalled());
    DWORD transferred = 0;
    EXPECT_TRUE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(transferred, 4u);

    // Nothing queued: still at once, with nothing.
    ASSERT_TRUE(ReadFile(file, buffer, 10, &read, &ov));
    EXPECT_EQ(read, 0u);

    // More queued than asked: the rest stays.
    device->Inject("0123456789");
    ASSERT_TRUE(ReadFile(file, buffer, 4, &read, &ov));
    EXPECT_EQ(std::string(buffer, read), "0123");
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(file, nullptr, &stat));
    EXPECT_EQ(stat.cbInQue, 6u);
}

TEST_F(Reads, APendingReadIsFilledByArrivingBytesAndLeavesTheRestQueued) {
    SetTimeouts(0, 0, 0); // no timeout: wait for every byte
    char buffer[3] = {};
    DWORD read = 99;
    ASSERT_FALSE(ReadFile(file, buffer, 3, &read, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(Signalled());
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);

    device->Inject("ab");
    EXPECT_FALSE(Signalled());
    device->Inject("cd");
    ASSERT_TRUE(Signalled(kDeadlineMs));
    ASSERT_TRUE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(transferred, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(device->QueuedInput(), 1u);
}

TEST_F(Reads, TotalTimeoutEndsTheReadSuccessfullyWithWhatItHas) {
    SetTimeouts(0, 0, 30);
    char buffer[8] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 8, nullptr, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    device->Inject("xy");
    ASSERT_TRUE(Signalled(kDeadlineMs));
    DWORD transferred = 0;
    ASSERT_TRUE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(transferred, 2u);
    EXPECT_EQ(std::string(buffer, 2), "xy");
}

TEST_F(Reads, IntervalTimeoutStartsWithTheFirstByte) {
    SetTimeouts(20, 0, 0);
    char buffer[8] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 8, nullptr, &ov));
    // Without a byte no interval runs: the read is still there long after 20 ms.
    EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
    device->Inject("q");
    ASSERT_TRUE(Signalled(kDeadlineMs));
    DWORD transferred = 0;
    ASSERT_TRUE(GetOverlappedResult(file, &ov, &transferred, TRUE));
    EXPECT_EQ(transferred, 1u);
}

TEST_F(Reads, WaitForFirstByteModeReturnsAsSoonAsOneArrives) {
    SetTimeouts(MAXDWORD, MAXDWORD, 60000);
    char buffer[8] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 8, nullptr, &ov));
    device->Inject("z");
    ASSERT_TRUE(Signalled(kDeadlineMs));
    DWORD transferred = 0;
    ASSERT_TRUE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(transferred, 1u);
    // Bytes already queued make it return at once.
    device->Inject("12");
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, 8, &read, &ov));
    EXPECT_EQ(read, 2u);
}

TEST_F(Reads, ReadsQueueBehindEachOtherInOrder) {
    SetTimeouts(0, 0, 0);
    OVERLAPPED second{};
    second.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char a[2] = {}, b[2] = {};
    ASSERT_FALSE(ReadFile(file, a, 2, nullptr, &ov));
    ASSERT_FALSE(ReadFile(file, b, 2, nullptr, &second));
    device->Inject("123");
    ASSERT_TRUE(Signalled(kDeadlineMs));
    EXPECT_EQ(WaitForSingleObject(second.hEvent, 0), WAIT_TIMEOUT);
    device->Inject("4");
    ASSERT_EQ(WaitForSingleObject(second.hEvent, kDeadlineMs), WAIT_OBJECT_0);
    EXPECT_EQ(std::string(a, 2), "12");
    EXPECT_EQ(std::string(b, 2), "34");
    CloseHandle(second.hEvent);
}

TEST_F(Reads, PurgeAbortEndsPendingReadsWith995AndKeepsWhatTheyGot) {
    SetTimeouts(0, 0, 0);
    char buffer[4] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));
    device->Inject("ab");
    ASSERT_TRUE(PurgeComm(file, PURGE_TXABORT | PURGE_RXABORT));
    ASSERT_TRUE(Signalled(kDeadlineMs));
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(file, &ov, &transferred, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(transferred, 2u);
}

TEST_F(Reads, PurgeClearEmptiesTheInputQueueAndAbortAloneDoesNot) {
    device->Inject("kept");
    ASSERT_TRUE(PurgeComm(file, PURGE_RXABORT | PURGE_TXABORT));
    EXPECT_EQ(device->QueuedInput(), 4u);
    ASSERT_TRUE(PurgeComm(file, PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_EQ(device->QueuedInput(), 0u);
    for (DWORD flags : {0u, 0x10u, 0xFFu}) {
        EXPECT_FALSE(PurgeComm(file, flags)) << flags;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << flags;
    }
}

TEST_F(Reads, ClosingTheHandleEndsAPendingReadWith995) {
    SetTimeouts(0, 0, 0);
    char buffer[4] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));
    ASSERT_TRUE(CloseHandle(file));
    file = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(Signalled(kDeadlineMs));
    EXPECT_EQ(ov.Internal, ERROR_OPERATION_ABORTED);
}

TEST_F(Reads, ARefusedReadLeavesTheEventUnsignalled) {
    ASSERT_TRUE(Signalled()); // created signalled, as the engine's transfer records are
    device->FailNext(virt::Call::ReadFile, ERROR_GEN_FAILURE);
    char buffer[4];
    EXPECT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_FALSE(Signalled());
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(file, &ov, &transferred, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
}

TEST_F(Reads, WithoutOverlappedTheReadBlocksUntilItCompletes) {
    SetTimeouts(0, 0, 0);
    char buffer[2] = {};
    auto reader = std::async(std::launch::async, [&] {
        DWORD read = 0;
        return ReadFile(file, buffer, 2, &read, nullptr) ? read : MAXDWORD;
    });
    // Whether the first byte comes before or after the read starts, the read needs two.
    device->Inject("h");
    EXPECT_EQ(reader.wait_for(milliseconds(50)), std::future_status::timeout);
    device->Inject("i");
    ASSERT_EQ(reader.wait_for(milliseconds(kDeadlineMs)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 2u);
    EXPECT_EQ(std::string(buffer, 2), "hi");
}

TEST_F(Reads, AbortOnErrorEndsReadsUntilTheErrorsAreRead) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(file, &dcb));
    dcb.fAbortOnError = 1;
    ASSERT_TRUE(SetCommState(file, &dcb));
    SetTimeouts(0, 0, 0);
    char buffer[4] = {};
    ASSERT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));
    device->InjectErrors(CE_FRAME);
    ASSERT_TRUE(Signalled(kDeadlineMs));
    EXPECT_EQ(ov.Internal, ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(file, &errors, nullptr));
    EXPECT_EQ(errors, DWORD{CE_FRAME});
    SetTimeouts(MAXDWORD, 0, 0);
    DWORD read = 1;
    EXPECT_TRUE(ReadFile(file, buffer, 4, &read, &ov));
    EXPECT_EQ(read, 0u);
}

TEST_F(Reads, BadArgumentsAreRefused) {
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(file, nullptr, 4, &read, &ov));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    OVERLAPPED badEvent{};
    badEvent.hEvent = INVALID_HANDLE_VALUE;
    char buffer[4];
    EXPECT_FALSE(ReadFile(file, buffer, 4, &read, &badEvent));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetOverlappedResult(file, nullptr, &read, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, buffer, 4, &read, &ov));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
} // namespace platform_test
