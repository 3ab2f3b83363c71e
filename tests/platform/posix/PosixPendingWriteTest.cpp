// Overlapped writes on a pseudo-terminal whose other end the test holds: a write larger than
// the line takes stays pending and the caller goes on at once, it completes through its
// event with what left, and a hang-up, a purge or a close ends it with the right code.

#include "platform/driver/CommDriver.h"
#include "platform/driver/DcbRules.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Event.h"
#include "platform/winapi/Sync.h"
#include "support/ThreadCount.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tavrin::testing {
namespace {

using namespace win;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + i / 251) & 0xFF);
    return bytes;
}

class PendingWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        int slave = -1;
        ASSERT_EQ(openpty(&master_, &slave, nullptr, nullptr, nullptr), 0);
        termios raw{};
        tcgetattr(master_, &raw);
        cfmakeraw(&raw);
        tcsetattr(master_, TCSANOW, &raw);
        const std::string path = ttyname(slave);
        port_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
        ::close(slave);
        ASSERT_NE(port_, INVALID_HANDLE_VALUE) << GetLastError();
        // A small output queue: most of a large write waits in the call, not in the driver.
        ASSERT_TRUE(SetupComm(port_, 4096, 4096));
        for (OVERLAPPED* ov : {&first_, &second_})
            ov->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override {
        if (port_ != INVALID_HANDLE_VALUE)
            CloseHandle(port_);
        for (OVERLAPPED* ov : {&first_, &second_})
            CloseHandle(ov->hEvent);
        CloseMaster();
    }
    void CloseMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    // Starts a write that must stay pending, and says so if it did not.
    void StartPending(const std::string& data, OVERLAPPED& ov) {
        DWORD written = 1;
        ASSERT_FALSE(WriteFile(port_, data.data(), static_cast<DWORD>(data.size()), &written, &ov))
            << "the write completed in the call";
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        EXPECT_EQ(written, 0u);
    }

    // Everything the other end can read until nothing more comes for `quiet`.
    std::string DrainUntilQuiet(std::chrono::milliseconds quiet) {
        std::string got;
        char buffer[65536];
        for (;;) {
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0 || !(fd.revents & POLLIN))
                return got;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                return got;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }

    // Reads exactly `size` bytes (or fewer if the terminal closes).
    std::string ReadExactly(std::size_t size) {
        std::string got;
        char buffer[65536];
        while (got.size() < size) {
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, size - got.size()));
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // A write that never completes fails the test instead of hanging it.
    Watchdog watchdog_{"a pending write", std::chrono::seconds(60)};
    int master_ = -1;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    OVERLAPPED first_{};
    OVERLAPPED second_{};
};

// The reader takes nothing until both calls have returned: a write that held its caller
// until its bytes had gone would never return here.
TEST_F(PendingWriteTest, ALargeWriteIsPendingAtOnceAndCompletesInOrderOnceTheReaderDrains) {
    const std::string data = Pattern(1 << 20);
    const std::string tail = "and then this";
    StartPending(data, first_);
    // Behind a pending write even a small one waits its turn.
    StartPending(tail, second_);
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(port_, &first_, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(WaitForSingleObject(first_.hEvent, 0), WAIT_TIMEOUT);

    const std::string arrived = ReadExactly(data.size() + tail.size());
    EXPECT_TRUE(arrived == data + tail) << "bytes lost, changed or out of order";
    ASSERT_EQ(WaitForSingleObject(first_.hEvent, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetOverlappedResult(port_, &first_, &count, TRUE)) << GetLastError();
    EXPECT_EQ(count, data.size());
    ASSERT_TRUE(GetOverlappedResult(port_, &second_, &count, TRUE)) << GetLastError();
    EXPECT_EQ(count, tail.size());
}

// Under XOFF nothing more leaves, so once the reader has taken everything on its way the
// count of the write must be exactly what it got.
TEST_F(PendingWriteTest, AHangUpMidWriteFailsWithTheVanishedDeviceCodeCountingWhatTheReaderGot) {
    DCB dcb = DefaultDcb();
    dcb.fOutX = TRUE;
    ASSERT_TRUE(SetCommState(port_, &dcb));
    const std::string data = Pattern(1 << 20);
    StartPending(data, first_);
    const char xoff = 0x13;
    ASSERT_EQ(::write(master_, &xoff, 1), 1);
    const std::string got = DrainUntilQuiet(std::chrono::milliseconds(1000));
    ASSERT_GT(got.size(), 0u);
    EXPECT_TRUE(got == data.substr(0, got.size()));
    CloseMaster();

    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(port_, &first_, &count, TRUE));
    EXPECT_EQ(GetLastError(), CommDriver::kGoneError);
    EXPECT_EQ(GetLastError(), DWORD{22});
    EXPECT_EQ(count, got.size()) << "counted bytes that never left";
    EXPECT_LT(count, data.size());
}

struct EndCase {
    const char* name;
    // Ends the pending writes; true when the handle is still open afterwards.
    std::function<bool(HANDLE)> end;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class PendingWriteEndTest : public PendingWriteTest,
                            public ::testing::WithParamInterface<EndCase> {};

// What an aborted write had handed over still leaves, so the reader then gets exactly its
// count, and a write queued behind it ends too, without a byte.
TEST_P(PendingWriteEndTest, EndsThePendingWritesAsAborted) {
    const std::string data = Pattern(1 << 20);
    StartPending(data, first_);
    StartPending("queued behind", second_);
    const bool open = GetParam().end(port_);
    if (!open)
        port_ = INVALID_HANDLE_VALUE;
    for (OVERLAPPED* ov : {&first_, &second_})
        ASSERT_EQ(WaitForSingleObject(ov->hEvent, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(first_.Internal, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(second_.Internal, ERROR_OPERATION_ABORTED);
    EXPECT_LT(first_.InternalHigh, data.size());
    EXPECT_EQ(second_.InternalHigh, 0u);
    if (!open)
        return;
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(port_, &first_, &count, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(count, first_.InternalHigh);
    const std::string got = DrainUntilQuiet(std::chrono::milliseconds(1000));
    EXPECT_EQ(got.size(), count);
    EXPECT_TRUE(got == data.substr(0, got.size()));
    // The port goes on writing after the purge.
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port_, "more", 4, &written, &first_)) << GetLastError();
    EXPECT_EQ(ReadExactly(4), "more");
}

INSTANTIATE_TEST_SUITE_P(Posix, PendingWriteEndTest,
                         ::testing::Values(EndCase{"PurgeTxAbort",
                                                   [](HANDLE port) {
                                                       EXPECT_TRUE(PurgeComm(port, PURGE_TXABORT));
                                                       return true;
                                                   }},
                                           EndCase{"CloseHandle",
                                                   [](HANDLE port) {
                                                       EXPECT_TRUE(CloseHandle(port));
                                                       return false;
                                                   }}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrin::testing
