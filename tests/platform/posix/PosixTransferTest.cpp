// The engine on a real pseudo-terminal: its settings reach the line, bytes go both ways
// unchanged, and a burst larger than every buffer on the way arrives whole.

#include "PosixFixture.h"

#include <cstdio>
#include <ostream>

namespace tavrin::testing {
namespace {

// What the other end reads from the terminal's settings (the kernel's termios2 flags).
struct LineSeen {
    unsigned ospeed = 0;
    unsigned ispeed = 0;
    unsigned cflag = 0;
    unsigned iflag = 0;
    unsigned vstart = 0;
    unsigned vstop = 0;
};

LineSeen ReadSettings(SerialPeer& peer) {
    LineSeen seen;
    const std::string answer = peer.Ask("settings");
    EXPECT_EQ(std::sscanf(answer.c_str(),
                          "settings ospeed=%u ispeed=%u cflag=%u iflag=%u vstart=%u vstop=%u",
                          &seen.ospeed, &seen.ispeed, &seen.cflag, &seen.iflag, &seen.vstart,
                          &seen.vstop),
              6)
        << answer;
    return seen;
}

// Linux's termios bits, written out here so that the test does not share the backend's
// headers.
constexpr unsigned kCstopb = 0100;
constexpr unsigned kClocal = 04000;
constexpr unsigned kHupcl = 02000;
constexpr unsigned kCrtscts = 020000000000;
constexpr unsigned kIxon = 02000;
constexpr unsigned kIxoff = 010000;

struct SettingsCase {
    const char* name;
    std::function<void(TComPort&)> configure;
    unsigned speed;
    bool twoStopBits;
    bool hardwareFlow;
    bool softwareFlow;
    unsigned xon;
    unsigned xoff;
    bool standardRate = true;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsTest : public PosixPortTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsTest, ReachTheLine) {
    const SettingsCase& c = GetParam();
    c.configure(*port_);
    port_->OpenPort();
    const LineSeen seen = ReadSettings(*peer_);
    EXPECT_EQ(seen.ospeed, c.speed);
    EXPECT_EQ(seen.ispeed, c.speed);
    EXPECT_EQ((seen.cflag & kCstopb) != 0, c.twoStopBits);
    EXPECT_EQ((seen.cflag & kCrtscts) != 0, c.hardwareFlow);
    EXPECT_EQ((seen.iflag & kIxon) != 0, c.softwareFlow);
    EXPECT_EQ((seen.iflag & kIxoff) != 0, c.softwareFlow);
    EXPECT_EQ(seen.vstart, c.xon);
    EXPECT_EQ(seen.vstop, c.xoff);
    // Always local, never a hang-up signal to the other end when closing.
    EXPECT_NE(seen.cflag & kClocal, 0u);
    EXPECT_EQ(seen.cflag & kHupcl, 0u);
    // Programs that use the ordinary termios calls see the rate too, where it has a name.
    if (c.standardRate) {
        EXPECT_NE(peer_->Ask("stty").find("speed " + std::to_string(c.speed) + " baud;"),
                  std::string::npos);
    }
}

TEST_P(SettingsTest, FollowAChangeWhileOpen) {
    port_->OpenPort();
    GetParam().configure(*port_);
    EXPECT_EQ(ReadSettings(*peer_).ospeed, GetParam().speed);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, SettingsTest,
    ::testing::Values(SettingsCase{"Defaults", [](TComPort&) {}, 9600, false, false, false, 17, 19},
                      SettingsCase{"CustomRateOf250",
                                   [](TComPort& p) {
                                       p.SetCustomBaudRate(250);
                                       p.SetBaudRate(brCustom);
                                   },
                                   250, false, false, false, 17, 19, false},
                      SettingsCase{"CustomRateOf250000",
                                   [](TComPort& p) {
                                       p.SetCustomBaudRate(250000);
                                       p.SetBaudRate(brCustom);
                                   },
                                   250000, false, false, false, 17, 19, false},
                      SettingsCase{"Fast115200WithTwoStopBits",
                                   [](TComPort& p) {
                                       p.SetBaudRate(br115200);
                                       p.SetStopBits(sbTwoStopBits);
                                   },
                                   115200, true, false, false, 17, 19},
                      SettingsCase{"HardwareHandshake",
                                   [](TComPort& p) { p.FlowControl().SetFlowControl(fcHardware); },
                                   9600, false, true, false, 17, 19},
                      // Input flow on RTS only: output must not wait for CTS.
                      SettingsCase{"RtsHandshakeWithoutCtsOutputFlow",
                                   [](TComPort& p) {
                                       p.BeginConfigUpdate();
                                       p.FlowControl().SetOutCTSFlow(false);
                                       p.FlowControl().SetControlRTS(rtsHandshake);
                                       p.EndConfigUpdate();
                                   },
                                   9600, false, false, false, 17, 19},
                      SettingsCase{"SoftwareFlowWithOwnCharacters",
                                   [](TComPort& p) {
                                       p.BeginConfigUpdate();
                                       p.FlowControl().SetFlowControl(fcSoftware);
                                       p.FlowControl().SetXonChar('Q');
                                       p.FlowControl().SetXoffChar('S');
                                       p.EndConfigUpdate();
                                   },
                                   9600, false, false, true, 'Q', 'S'}),
    [](const auto& info) { return std::string(info.param.name); });

std::string AllByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}

TEST_F(PosixPortTest, EveryByteValueArrivesUnchanged) {
    port_->OpenPort();
    // 0x00 and 0xFF are the two the terminal layer could eat or double.
    const std::string bytes = AllByteValues() + std::string("\xFF\xFF\x00\xFF", 4);
    ASSERT_TRUE(peer_->Write(bytes));
    ASSERT_TRUE(WaitReceived(bytes.size())) << received_.size();
    EXPECT_EQ(ToHex(received_), ToHex(bytes));
}

TEST_F(PosixPortTest, EveryByteValueLeavesUnchanged) {
    port_->OpenPort();
    const std::string bytes = AllByteValues();
    for (char c : bytes)
        port_->SendChar(c);
    EXPECT_EQ(ToHex(peer_->Read(bytes.size(), 10)), ToHex(bytes));
}

TEST_F(PosixPortTest, ACharacterThatHasLeftRaisesTxEmpty) {
    int empties = 0;
    port_->OnTxEmpty = [&](TObject*) { ++empties; };
    port_->OpenPort();
    port_->SendChar('t');
    ASSERT_TRUE(PumpUntil([&] { return empties > 0; }));
    EXPECT_EQ(peer_->Read(1, 10), "t");
}

TEST_F(PosixPortTest, SevenDataBitsWithParityAreKeptThoughThePseudoTerminalHasNoFraming) {
    // The kernel forces a pseudo-terminal to eight bits without parity; the port must
    // still open and keep what it was given.
    port_->SetDataBits(dbSeven);
    port_->Parity().SetBits(prEven);
    port_->OpenPort();
    ASSERT_TRUE(peer_->Write("ok"));
    ASSERT_TRUE(WaitReceived(2));
    EXPECT_EQ(received_, "ok");
}

TEST_F(PosixPortTest, AMegabyteBurstArrivesWhole) {
    port_->OpenPort();
    constexpr std::size_t size = 1024 * 1024;
    // The peer's writing returns only once everything has left it, and that needs this
    // side to read: the burst is written from another thread of the peer's process.
    ASSERT_EQ(peer_->Ask("burst-async " + std::to_string(size)), "ok");
    ASSERT_TRUE(WaitReceived(size)) << received_.size();
    ASSERT_EQ(received_.size(), size);
    std::string expected(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        expected[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    EXPECT_TRUE(received_ == expected);
    EXPECT_EQ(peer_->Ask("join"), "ok");
}

} // namespace
} // namespace tavrin::testing
