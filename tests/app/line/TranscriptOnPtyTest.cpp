// The transcript of a real exchange: the window's port on one end of a pseudo-terminal
// pair, pyserial on the other answering a command, as a student meets a board.

#include "PeerFixture.h"
#include "TranscriptReader.h"
#include "app/line/SessionRecording.h"
#include "support/TempConfig.h"

#include <QTest>

namespace tavrin::testing {
namespace {

using TranscriptOnPtyTest = PeerFixture;

TEST_F(TranscriptOnPtyTest, NewLineCommandAndItsAnswerAreRecordedByteByByte) {
    ASSERT_NO_FATAL_FAILURE(ConnectPeer());
    const QString path = QString::fromStdString(Temp().Path() + "/aula.tsv");
    Quelt->Recording().SetFileChooser([&](QWidget*) { return path; });
    Quelt->GravarSessao1->trigger();
    ASSERT_TRUE(Quelt->GravarSessao1->isChecked());
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());

    Quelt->nova_linha->setChecked(true);
    Quelt->Edit_Data->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("AB"));
    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return);
    EXPECT_EQ(Peer().Read(5, 5), std::string("\r\nAB\0", 5));
    ASSERT_TRUE(Peer().Write("OK\r\n"));
    ASSERT_TRUE(WaitUntil([] { return Quelt->Memo->toPlainText().endsWith(u"OK\n"); }));
    Quelt->GravarSessao1->trigger();
    ASSERT_FALSE(Quelt->GravarSessao1->isChecked());

    const ParsedTranscript parsed = ParseTranscript(ReadFile(path.toStdString()));
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.preamble.back(), "porta: " + PortPath() + " 9600 8N1 (fechada)");
    EXPECT_TRUE(parsed.HasNote("porta aberta: " + PortPath() + " 9600 8N1"));
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
