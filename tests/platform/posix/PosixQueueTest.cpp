// The driver's queues under load, through the Win32 calls on a pseudo-terminal with a real
// peer: the input queue resized while a flood arrives, and one write far larger than the
// output queue.

#include "PosixFixture.h"
#include "platform/winapi/Comm.h"

#include <thread>
#include <vector>

namespace tavrin::testing {
namespace {

using namespace win;

// What serial_peer.py's burst-async sends.
std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

class PosixQueueTest : public PosixPortTest {
protected:
    void SetUp() override {
        PosixPortTest::SetUp();
        handle_ = CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle_, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        PosixPortTest::TearDown();
    }
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

TEST_F(PosixQueueTest, ResizingTheInputQueueDuringAFloodLosesNothing) {
    // A read ends with what has arrived as soon as anything has, or after two seconds.
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 2000, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(handle_, &timeouts));
    constexpr std::size_t size = 4 * 1024 * 1024;
    constexpr DWORD large = 600'000;
    constexpr DWORD small = 70'000;
    ASSERT_TRUE(SetCommMask(handle_, EV_RX80FULL));
    ASSERT_EQ(peer_->Ask("burst-async " + std::to_string(size)), "ok");
    std::string received;
    std::vector<char> piece(large);
    auto read = [&](DWORD count) {
        DWORD n = 0;
        EXPECT_TRUE(ReadFile(handle_, piece.data(), count, &n, nullptr));
        received.append(piece.data(), n);
        return n;
    };
    // Each turn lets the large queue fill up to 80 percent, then shrinks it far below what it
    // holds and grows it again, over and over, while the driver goes on moving blocks in from
    // the device until the large size is reached.
    DWORD errors = 0;
    auto look = [&] {
        DWORD now = 0;
        COMSTAT stat{};
        EXPECT_TRUE(ClearCommError(handle_, &now, &stat));
        errors |= now;
        return stat.cbInQue;
    };
    while (size - received.size() > large && errors == 0) {
        ASSERT_TRUE(SetupComm(handle_, large, 0));
        DWORD events = 0;
        ASSERT_TRUE(WaitCommEvent(handle_, &events, nullptr));
        while (look() + 4096 < large && errors == 0) {
            ASSERT_TRUE(SetupComm(handle_, small, 0));
            ASSERT_TRUE(SetupComm(handle_, large, 0));
        }
        read(look());
    }
    while (received.size() < size && read(static_cast<DWORD>(piece.size())) > 0) {
    }
    look();
    EXPECT_EQ(errors & CE_RXOVER, 0u);
    ASSERT_EQ(received.size(), size);
    EXPECT_TRUE(received == Pattern(size));
    EXPECT_EQ(peer_->Ask("join"), "ok");
}

TEST_F(PosixQueueTest, AWriteLargerThanTheOutputQueueHoldsNoMoreThanItAndArrivesWhole) {
    constexpr DWORD queue = 4096;
    ASSERT_TRUE(SetupComm(handle_, 0, queue));
    const std::string data = Pattern(2 * 1024 * 1024);
    BOOL ok = FALSE;
    DWORD written = 0;
    std::thread writer([&] {
        ok = WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    });
    // The peer takes the data piece by piece; between pieces the driver must hold no more
    // than its output queue, the rest waiting in the writer's call.
    std::string arrived;
    while (arrived.size() < data.size()) {
        const std::string part =
            peer_->Read(std::min<std::size_t>(256 * 1024, data.size() - arrived.size()), 30);
        if (part.empty())
            break;
        arrived += part;
        COMSTAT stat{};
        ASSERT_TRUE(ClearCommError(handle_, nullptr, &stat));
        EXPECT_LE(stat.cbOutQue, queue);
    }
    writer.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(written, data.size());
    ASSERT_EQ(arrived.size(), data.size());
    EXPECT_TRUE(arrived == data);
}

} // namespace
} // namespace tavrin::testing
