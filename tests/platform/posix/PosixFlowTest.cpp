// Flow control the driver does itself, on a real pseudo-terminal: with XON/XOFF on input
// and fTXContinueOnXoff off, nothing is sent while the input queue holds the other end off,
// and output resumes once the program has read the queue down.

#include "PosixFixture.h"
#include "platform/driver/DcbRules.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Sync.h"

namespace tavrin::testing {
namespace {

TEST_F(PosixPortTest, OutputWaitsWhileTheFullInputQueueHoldsTheOtherEndOff) {
    using namespace win;
    HANDLE port = CreateFileA(pair_->PortPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    ASSERT_TRUE(SetupComm(port, 1024, 1024));
    DCB dcb = DefaultDcb();
    dcb.fInX = 1;
    dcb.fTXContinueOnXoff = 0;
    dcb.XoffLim = 256; // held from 769 bytes queued
    dcb.XonLim = 100;  // released at 100
    ASSERT_TRUE(SetCommState(port, &dcb));
    COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &immediate));
    ASSERT_TRUE(SetCommMask(port, EV_RX80FULL));
    OVERLAPPED full{};
    full.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD events = 0;
    if (!WaitCommEvent(port, &events, &full)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }

    ASSERT_TRUE(peer_->Write(std::string(900, 'i')));
    ASSERT_EQ(WaitForSingleObject(full.hEvent, 10000), WAIT_OBJECT_0);
    OVERLAPPED sent{};
    sent.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    WriteFile(port, "out", 3, &written, &sent);
    EXPECT_EQ(peer_->Read(3, 0.5), "");

    // Read down to the release mark: what waited leaves.
    std::string buffer(900, '\0');
    OVERLAPPED read{};
    read.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD got = 0;
    ReadFile(port, buffer.data(), 850, &got, &read);
    ASSERT_TRUE(GetOverlappedResult(port, &read, &got, TRUE));
    EXPECT_EQ(got, 850u);
    EXPECT_EQ(peer_->Read(3, 10), "out");

    CloseHandle(port);
    for (HANDLE event : {full.hEvent, sent.hEvent, read.hEvent})
        CloseHandle(event);
}

} // namespace
} // namespace tavrin::testing
