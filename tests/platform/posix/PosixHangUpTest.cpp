// The other end of a pseudo-terminal hangs up: a null-modem cable with nothing at its end.
// The lines drop with their events and no thread spins; the port still closes and opens,
// and it comes back to life when a new device appears under the same link.

#include "PosixFixture.h"
#include "platform/posix/PosixDevice.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Sync.h"
#include "support/PortExpect.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace tavrin::testing {
namespace {

// Work that takes the other process a number of scheduling rounds; a thread spinning on a
// hung-up descriptor meanwhile wakes thousands of times.
void RoundTrips(SerialPeer& peer) {
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(peer.Ask("ping"), "pong");
}

TEST_F(PosixPortTest, HangUpDropsTheLinesWithoutSpinningAndThePortStillCloses) {
    port_->OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    EXPECT_TRUE(port_->ReadSignals().Contains(msDSR));

    pair_->Stop();
    ASSERT_TRUE(WaitDsr(false));
    const TModemSignals lines = port_->ReadSignals();
    EXPECT_FALSE(lines.Contains(msDSR));
    EXPECT_FALSE(lines.Contains(msCTS));
    EXPECT_FALSE(lines.Contains(msRLSD));

    const auto before = win::posix::IoThreadWakeups();
    RoundTrips(*peer_);
    EXPECT_LT(win::posix::IoThreadWakeups() - before, 10u);

    // Still open and readable, but nothing sent can reach anyone: a send says so, with the
    // code of a device that vanished, rather than reporting success.
    ExpectComError([&] { port_->SendChar('x'); }, CError_TransmitFailed, 22);
    EXPECT_EQ(port_->InputQueueCount(), 0);
    port_->ClosePort();
    EXPECT_FALSE(port_->Connected());

    // A new pair under the same links opens as any other.
    StartPair();
    ASSERT_TRUE(peer_->Open(pair_->PeerPath()));
    dsr_.clear();
    port_->OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    ASSERT_TRUE(peer_->Write("back"));
    ASSERT_TRUE(WaitReceived(4));
    EXPECT_EQ(received_, "back");
}

TEST_F(PosixPortTest, AHungUpPortComesBackWhenItsLinkLeadsToANewDevice) {
    port_->SetBaudRate(br19200);
    port_->OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    const std::string link = pair_->PortPath();
    pair_->Stop();
    ASSERT_TRUE(WaitDsr(false));

    // The new device is looked at before the port can take it, then the link the port was
    // opened by is made to lead to it.
    pair_ = std::make_unique<SocatPair>(temp_.Path(), "port2", "peer2");
    ASSERT_TRUE(pair_->Started());
    ASSERT_EQ(peer_->Ask("hold " + pair_->PortPath()), "ok");
    ASSERT_TRUE(peer_->Open(pair_->PeerPath()));
    const std::string device = std::filesystem::read_symlink(pair_->PortPath()).string();
    ASSERT_EQ(symlink(device.c_str(), (link + ".new").c_str()), 0);
    ASSERT_EQ(rename((link + ".new").c_str(), link.c_str()), 0);

    ASSERT_TRUE(WaitDsr(true));
    EXPECT_TRUE(port_->ReadSignals().Contains(msCTS));
    // The settings given before came along.
    EXPECT_NE(peer_->Ask("settings").find("ospeed=19200 "), std::string::npos);

    ASSERT_TRUE(peer_->Write(std::string("\x00\xFF", 2)));
    ASSERT_TRUE(WaitReceived(2));
    EXPECT_EQ(received_, std::string("\x00\xFF", 2));
    port_->SendChar('k');
    EXPECT_EQ(peer_->Read(1, 10), "k");
}

// The device that comes back is cooked when its link appears and set up by its program a
// moment later. The port reattaches inside that gap: it must still put back, at its close,
// the settings the first open found, and must take its own settings back once the other
// program has overwritten them.
TEST_F(PosixPortTest, AReattachKeepsTheFirstSettingsAndReappliesItsOwnOnceTheDeviceSettled) {
    const std::string found = peer_->Ask("termios");
    ASSERT_EQ(found.rfind("termios ", 0), 0u) << found;
    port_->FlowControl().SetFlowControl(fcSoftware); // ixon, which a raw set-up clears
    port_->OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    ASSERT_EQ(peer_->Ask("iflag"), "ixon");

    pair_->Stop();
    ASSERT_TRUE(WaitDsr(false));
    const std::string made = peer_->Ask("pty " + pair_->PortPath());
    ASSERT_EQ(made.rfind("ok ", 0), 0u) << made;
    ASSERT_TRUE(WaitDsr(true)) << "no reattach";
    ASSERT_EQ(peer_->Ask("hold " + made.substr(3)), "ok");
    EXPECT_EQ(peer_->Ask("iflag"), "ixon") << "the reattach applied the port's settings";
    ASSERT_EQ(peer_->Ask("raw"), "ok");
    ASSERT_EQ(peer_->Ask("iflag"), "noixon");
    // The port looks again within a few seconds of the reattach.
    bool restored = false;
    for (int i = 0; i < 50 && !restored; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        restored = peer_->Ask("iflag") == "ixon";
    }
    EXPECT_TRUE(restored) << "the port kept the other program's settings";

    port_->ClosePort();
    EXPECT_EQ(peer_->Ask("termios"), found) << "not the settings of the first open";
}

// A write under way when the other end hangs up fails as one into a vanished device and
// counts only what left; a later write fails at once and counts nothing.
TEST_F(PosixPortTest, AWriteIntoAHungUpTerminalFailsAndCountsOnlyWhatLeft) {
    using namespace win;
    HANDLE port = CreateFileA(pair_->PortPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    const std::string data(1 << 20, 'w'); // far more than the terminals hold: the peer reads none
    auto writing = std::async(std::launch::async, [&] {
        DWORD written = 0;
        const BOOL ok =
            WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
        return std::make_tuple(ok, ok ? DWORD{0} : GetLastError(), written);
    });
    // Room in the terminals is gone long before: the write waits for more.
    EXPECT_EQ(writing.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
    pair_->Stop();
    ASSERT_EQ(writing.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const auto [ok, error, written] = writing.get();
    EXPECT_FALSE(ok) << "reported success for bytes that never left";
    EXPECT_EQ(error, DWORD{ERROR_BAD_COMMAND});
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, data.size());

    DWORD again = 1;
    EXPECT_FALSE(WriteFile(port, "x", 1, &again, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_BAD_COMMAND});
    EXPECT_EQ(again, 0u);
    EXPECT_FALSE(TransmitCommChar(port, 'y'));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_BAD_COMMAND});
    EXPECT_TRUE(CloseHandle(port));
}

TEST_F(PosixPortTest, AnIoThreadThatCannotPollAnyMoreReportsTheDeviceGone) {
    using namespace win;
    HANDLE port = CreateFileA(pair_->PortPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    ASSERT_TRUE(SetCommMask(port, EV_DSR));
    OVERLAPPED wait{};
    wait.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD events = 0;
    if (!WaitCommEvent(port, &events, &wait)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    }
    // The I/O thread's next poll fails; a character to send wakes it there. (A byte from the
    // other end may not: the thread waiting for the port's events can read it first, and the
    // I/O thread's poll then sleeps on.)
    win::posix::FailPolls(EINVAL);
    ASSERT_TRUE(TransmitCommChar(port, 'b'));
    ASSERT_EQ(WaitForSingleObject(wait.hEvent, 10000), WAIT_OBJECT_0);

    // As for an adapter that was pulled out: the pending wait is cancelled, and every call
    // fails from then on.
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(port, &wait, &transferred, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    DWORD errors = 0;
    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    EXPECT_TRUE(CloseHandle(port));
    CloseHandle(wait.hEvent);
}

} // namespace
} // namespace tavrin::testing
