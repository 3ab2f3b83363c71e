// A real program on the other end of a pseudo-terminal answers in one write with the echo
// of a command (ended by its NUL) and the answer after it: the pane shows both.

#include "UserGestures.h"

#include "support/SerialPeer.h"
#include "support/SocatPair.h"

#include <string>

namespace tavrin::testing {
namespace {

using ReceiveOnPtyTest = AppFixture;

TEST_F(ReceiveOnPtyTest, TextAfterANulInTheSameWriteIsShown) {
    TempFolder temp;
    SocatPair pair(temp.Path());
    ASSERT_TRUE(pair.Started()) << "socat missing? (scripts/install-deps)";
    SerialPeer peer(PeerScript());
    ASSERT_TRUE(peer.Started()) << "python3-serial missing? (scripts/install-deps)";
    ASSERT_TRUE(peer.Open(pair.PeerPath()));
    ShowMainWindow();
    Quelt->ComPort->SetPort(pair.PortPath());
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());

    ASSERT_TRUE(peer.Write(std::string("one AB\0CD\r\n\0five\r\n", 19)));
    EXPECT_TRUE(WaitUntil([] { return Quelt->Memo->toPlainText().endsWith(u"five\n"); }))
        << Quelt->Memo->toPlainText().toStdString();
    EXPECT_EQ(Quelt->Memo->toPlainText(), QStringLiteral("one ABCD\nfive\n"));
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
