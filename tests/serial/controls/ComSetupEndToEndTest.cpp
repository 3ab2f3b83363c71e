// The setup dialog as a user meets it, on real pseudo-terminals: another device and another
// baud rate chosen under "Porta...", then a command sent, read by a real program on the
// other end of the chosen device.

#include "ComSetupFixture.h"
#include "support/SerialPeer.h"

namespace tavrin::testing {
namespace {

class ComSetupEndToEndTest : public ComSetupFixture {
protected:
    void SetUp() override {
        ComSetupFixture::SetUp();
        ASSERT_TRUE(first.Started() && second.Started()) << "socat missing?";
        config.MapCom(1, first.PortPath());
        config.MapCom(2, second.PortPath());
        peer = std::make_unique<SerialPeer>(PeerScript());
        ASSERT_TRUE(peer->Started()) << "python3-serial missing? (scripts/install-deps)";
        ASSERT_TRUE(peer->Open(second.PeerPath()));
        // The port's side, looked at later while the port holds it exclusively.
        ASSERT_EQ(peer->Ask("hold " + second.PortPath()), "ok");
    }

    SocatPair first{temp.Path(), "port1", "peer1"};
    SocatPair second{temp.Path(), "port2", "peer2"};
    std::unique_ptr<SerialPeer> peer;
};

TEST_F(ComSetupEndToEndTest, ACommandReachesTheDeviceChosenInTheDialogAtItsBaudRate) {
    ShowMainWindow();
    ASSERT_EQ(Quelt->ComPort->Port(), "COM1");
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) {
        form.activateWindow();
        EXPECT_EQ(form.Combo1->Text(), "COM1");
        Pick(form.Combo1, QStringLiteral("COM2"));
        Pick(form.Combo2, QStringLiteral("115200"));
        QTest::keyClick(form.Combo2, Qt::Key_Return);
    }));
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected()) << ::testing::PrintToString(Errors());
    ASSERT_TRUE(WaitUntil([] { return HardwareDetected; })) << "the peer holds the line open";

    Quelt->nova_linha->setChecked(false);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("HI"));
    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return);

    EXPECT_EQ(peer->Read(3, 10.0), std::string("HI\0", 3));
    const std::string settings = peer->Ask("settings " + second.PortPath());
    EXPECT_NE(settings.find("ospeed=115200 "), std::string::npos) << settings;
    EXPECT_TRUE(Errors().empty()) << ::testing::PrintToString(Errors());
}

} // namespace
} // namespace tavrin::testing
