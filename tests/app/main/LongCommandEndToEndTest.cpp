// A user lengthens the command line in the terminal settings, types a long command and
// sends it to a real program on the other end of a pseudo-terminal, which gets it whole.

#include "PeerFixture.h"
#include "UserGestures.h"

#include <string>

namespace tavrin::testing {
namespace {

using LongCommandEndToEndTest = PeerFixture;

TEST_F(LongCommandEndToEndTest, SixtyFourCharactersReachThePeerFollowedByANul) {
    ASSERT_NO_FATAL_FAILURE(ConnectPeer());

    bool closedByButton = false;
    QTimer::singleShot(0, ConfigTerm, [&] {
        ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == ConfigTerm; }));
        PickItem(ConfigTerm->StringBox, 2);
        QTest::mouseClick(ConfigTerm->LimpaComandos, Qt::LeftButton);
        QTest::mouseClick(ConfigTerm->Button1, Qt::LeftButton);
        closedByButton = !ConfigTerm->isVisible();
    });
    Quelt->Terminal1->trigger();
    ASSERT_TRUE(closedByButton);

    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(WaitUntil([] { return HardwareDetected; })) << "the peer's end asserts DSR";

    QString command;
    for (int i = 0; i < 64; ++i)
        command += QChar(u'A' + i % 26);
    QTest::mouseClick(Quelt->Edit_Data, Qt::LeftButton);
    QTest::keyClicks(Quelt->Edit_Data, command + QStringLiteral("Z"));
    ASSERT_EQ(Quelt->Edit_Data->text(), command) << "the 65th character is refused";
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("0"));
    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return); // returns once the send is over

    EXPECT_EQ(Peer().Read(65, 10), command.toStdString() + '\0');
    EXPECT_EQ(Quelt->Edit_Data->text(), QString()) << "LimpaComandos empties it after the send";
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
