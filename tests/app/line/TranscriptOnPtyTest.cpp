// The transcript of a real exchange: the window's port on one end of a pseudo-terminal
// pair, pyserial on the other answering a command, as a student meets a board.

#include "AppFixture.h"
#include "TranscriptReader.h"
#include "app/line/SessionRecording.h"
#include "support/SerialPeer.h"
#include "support/SocatPair.h"
#include "support/TempConfig.h"

#include <QTest>

namespace tavrin::testing {
namespace {

using TranscriptOnPtyTest = AppFixture;

TEST_F(TranscriptOnPtyTest, NewLineCommandAndItsAnswerAreRecordedByteByByte) {
    TempFolder temp;
    SocatPair pair(temp.Path());
    ASSERT_TRUE(pair.Started()) << "socat missing? (scripts/install-deps)";
    SerialPeer peer(PeerScript());
    ASSERT_TRUE(peer.Started()) << "python3-serial missing? (scripts/install-deps)";
    ASSERT_TRUE(peer.Open(pair.PeerPath()));
    const QString path = QString::fromStdString(temp.Path() + "/aula.tsv");
    Quelt->Recording().SetFileChooser([&](QWidget*) { return path; });
    ShowMainWindow();
    Quelt->GravarSessao1->trigger();
    ASSERT_TRUE(Quelt->GravarSessao1->isChecked());
    Quelt->ComPort->SetPort(pair.PortPath());
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());

    Quelt->nova_linha->setChecked(true);
    Quelt->Edit_Data->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("AB"));
    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return);
    EXPECT_EQ(peer.Read(5, 5), std::string("\r\nAB\0", 5));
    ASSERT_TRUE(peer.Write("OK\r\n"));
    ASSERT_TRUE(WaitUntil([] { return Quelt->Memo->toPlainText().endsWith(u"OK\n"); }));
    Quelt->GravarSessao1->trigger();
    ASSERT_FALSE(Quelt->GravarSessao1->isChecked());

    const ParsedTranscript parsed = ParseTranscript(ReadFile(path.toStdString()));
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.preamble.back(), "porta: COM1 9600 8N1 (fechada)");
    EXPECT_TRUE(parsed.HasNote("porta aberta: " + pair.PortPath() + " 9600 8N1"));
    EXPECT_EQ(parsed.SentHex(), (std::vector<std::string>{"0D", "0A", "41", "42", "00"}));
    EXPECT_EQ(parsed.ReceivedHex(), "4F 4B 0D 0A");
    std::string sentText, receivedText;
    for (const TranscriptRow& row : parsed.rows)
        (row.direction == "TX" ? sentText : receivedText) += row.text;
    EXPECT_EQ(sentText, "<CR><LF>AB<NUL>");
    EXPECT_EQ(receivedText, "OK<CR><LF>");
    // The pacing as the line carried it: 50 ms after the first of a run, 10 ms after the
    // others (at least: the pause is a timer).
    ASSERT_EQ(parsed.rows.size() >= 5, true);
    EXPECT_GE(parsed.rows[1].ms - parsed.rows[0].ms, 45.0);
    for (int i = 2; i < 5; ++i)
        EXPECT_GE(parsed.rows[i].ms - parsed.rows[i - 1].ms, 9.0) << "row " << i;
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
