// A real program on the other end of a pseudo-terminal answers in one write with the echo
// of a command (ended by its NUL) and the answer after it: the pane shows both.

#include "PeerFixture.h"
#include "UserGestures.h"

#include <string>

namespace tavrin::testing {
namespace {

using ReceiveOnPtyTest = PeerFixture;

TEST_F(ReceiveOnPtyTest, TextAfterANulInTheSameWriteIsShown) {
    ASSERT_NO_FATAL_FAILURE(ConnectPeer());
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());

    ASSERT_TRUE(Peer().Write(std::string("one AB\0CD\r\n\0five\r\n", 19)));
    EXPECT_TRUE(WaitUntil([] { return Quelt->Memo->toPlainText().endsWith(u"five\n"); }))
        << Quelt->Memo->toPlainText().toStdString();
    EXPECT_EQ(Quelt->Memo->toPlainText(), QStringLiteral("one ABCD\nfive\n"));
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
