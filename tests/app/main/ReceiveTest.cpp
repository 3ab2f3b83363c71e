// Reception: what arrives on the line reaches the pane through the event thread, the
// port's notification and ReadText; a form feed opening a chunk starts the pane afresh, a
// NUL is left out and what follows it is shown; and the DSR line decides whether sending is
// allowed.

#include "TransferFixture.h"

#include "app/main/ReceptionPane.h"
#include "app/qt/Ansi.h"
#include "app/widgets/ReceptionView.h"
#include "platform/virtual/VirtualDevice.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QScrollBar>

#include <random>

namespace tavrin::testing {
namespace {

// Chunks received one after the other on a freshly opened port, and the pane they leave.
struct PaneRow {
    const char* name;
    std::vector<std::string> chunks;
    QString pane;
};

class ReceiveTest : public TransferFixture {
protected:
    template <std::size_t N> void ExpectPanes(const PaneRow (&rows)[N]) {
        for (const PaneRow& row : rows) {
            SCOPED_TRACE(row.name);
            Restart();
            OpenPort();
            for (const std::string& chunk : row.chunks)
                Receive(chunk);
            EXPECT_EQ(PaneText(), row.pane);
        }
    }
};

// What the pane shows for everything received as one text: CR LF, CR and LF each end a
// line, and nothing else is changed.
QString Shown(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

TEST_F(ReceiveTest, ChunksAreAddedOrReplaceThePane) {
    const PaneRow rows[] = {
        {"chunks follow each other", {"old", "AB", "CD"}, QStringLiteral("oldABCD")},
        {"form feed then OK shows exactly OK", {"old", "\fOK"}, QStringLiteral("OK")},
        {"a lone form feed empties the pane", {"old", "\f"}, QString()},
        {"form feed inside a chunk is kept", {"old", "A\fB"}, QStringLiteral("oldA\fB")},
        {"form feed opening the second chunk", {"AB", "\fCD"}, QStringLiteral("CD")},
        {"form feed then more chunks", {"AB", "\fCD", "EF"}, QStringLiteral("CDEF")},
        {"NUL inside a chunk is left out",
         {"old", std::string("AB\0CD\r\n", 7)},
         QStringLiteral("oldABCD\n")},
        {"NUL opening a chunk", {"old", std::string("\0five\r\n", 7)}, QStringLiteral("oldfive\n")},
        {"NUL ending a chunk", {"old", std::string("AB\0", 3)}, QStringLiteral("oldAB")},
        {"several NULs", {"old", std::string("\0A\0\0B\0", 6)}, QStringLiteral("oldAB")},
        {"only NULs", {"old", std::string("\0\0", 2)}, QStringLiteral("old")},
        {"NUL after a form feed", {"old", std::string("\fAB\0CD", 6)}, QStringLiteral("ABCD")},
        {"form feed after a NUL is a character",
         {"old", std::string("\0\fAB", 4)},
         QStringLiteral("old\fAB")},
        {"NUL between CR and LF keeps one line break",
         {"old", std::string("A\r\0\nB", 5)},
         QStringLiteral("oldA\nB")},
        {"next chunk after a NUL is added", {std::string("A\0B", 3), "C"}, QStringLiteral("ABC")},
        {"CR LF is one line break", {"A\r\nB\r\n"}, QStringLiteral("A\nB\n")},
        {"CR LF split between chunks", {"A\r", "\nB"}, QStringLiteral("A\nB")},
        {"two line breaks stay two", {"A\r", "\r\nB"}, QStringLiteral("A\n\nB")},
        {"Windows-1252 text", {"a\xE7\xE3o \x80 \x96"}, QStringLiteral("ação € –")},
    };
    ExpectPanes(rows);
}

// The pane holds exactly what came: a line longer than anything the pane can show is still
// one line, however many chunks it takes.
TEST_F(ReceiveTest, ALineOfAnyLengthStaysOneLine) {
    const std::string part(1000, 'a'); // each chunk fits the port's input queue
    const PaneRow rows[] = {
        {"chunks of one line", {part, part, part}, QString(3000, u'a')},
        {"growing over several chunks",
         {part, "bbbbbbbbbb", part},
         QString(1000, u'a') + QString(10, u'b') + QString(1000, u'a')},
        {"a line after a form feed",
         {part, "\f" + part, "zz"},
         QString(1000, u'a') + QStringLiteral("zz")},
    };
    ExpectPanes(rows);
}

// A copy from the pane holds exactly what arrived, a long line included.
TEST_F(ReceiveTest, WhatTheUserCopiesIsWhatArrived) {
    OpenPort();
    std::string part;
    for (int i = 0; i < 1000; ++i)
        part += static_cast<char>('a' + i % 26);
    Receive(part);
    Receive(part + "\r\n");
    Receive("end");
    const QString expected = QString::fromLatin1(part + part + "\nend");
    ReceptionView* pane = Quelt->Memo;
    QWidget* area = pane->viewport();

    // Dragged from the first character to past the end of the last line.
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(1, 1));
    QMouseEvent drag(QEvent::MouseMove, QPointF(area->width() - 1, area->height() / 4),
                     area->mapToGlobal(QPointF(area->width() - 1, area->height() / 4)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &drag);
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(area->width() - 1, area->height() / 4));
    EXPECT_EQ(pane->selectedText(), expected);

    QApplication::clipboard()->clear();
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
    pane->setSelection(0, 0);
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane->selectedText(), expected);
}

TEST_F(ReceiveTest, ClearingThePaneForgetsALineBreakLeftOpen) {
    OpenPort();
    Receive("A\r");
    Quelt->BitBtn2->click();
    Receive("\nB");
    EXPECT_EQ(PaneText(), QStringLiteral("\nB"));
}

TEST_F(ReceiveTest, NothingReadChangesNothing) {
    OpenPort();
    Receive("old");
    // The count the port reported is gone by the time the window reads (another reader
    // took it): the read comes back empty.
    Quelt->ComPortRxChar(Quelt->ComPort, 5);
    EXPECT_EQ(PaneText(), QStringLiteral("old"));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ReceiveTest, AddingKeepsWhatThePaneHolds) {
    OpenPort();
    Receive("first line\r\n");
    // What the user selected stays as it was.
    Quelt->Memo->setSelection(2, 5);

    Receive("second");

    EXPECT_EQ(PaneText(), QStringLiteral("first line\nsecond"));
    EXPECT_EQ(Quelt->Memo->selectedText(), QStringLiteral("rst"));
    EXPECT_EQ(Quelt->Memo->lineCount(), 2);
}

// Whatever the line delivers, the pane holds exactly the received text but its NULs, with
// line breaks where CR LF, CR or LF came.
TEST_F(ReceiveTest, BinaryDataNeverCorruptsThePane) {
    OpenPort();
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 96);
    std::vector<std::string> chunks;
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    chunks.push_back(all.substr(1)); // every code but NUL; 0x01 first so no form feed opens it
    chunks.push_back(std::string(64, '\xFF'));
    chunks.push_back(std::string("\r\0\0\0", 4));
    chunks.push_back("\n\x1B[2J\x7F\x08\x07\t\v");
    for (int i = 0; i < 200; ++i) {
        std::string chunk;
        const int n = size(random);
        for (int k = 0; k < n; ++k)
            chunk += static_cast<char>(byte(random));
        if (chunk.front() == '\f')
            chunk.front() = 'x';
        chunks.push_back(chunk);
    }

    std::string visible;
    for (const std::string& chunk : chunks) {
        Receive(chunk);
        for (char c : chunk)
            if (c != '\0')
                visible += c;
    }

    EXPECT_EQ(PaneText(), Shown(FromAnsi(visible)));
    EXPECT_TRUE(Errors().empty());

    Receive("\fclean");
    EXPECT_EQ(PaneText(), QStringLiteral("clean"));
}

// Chunks that arrive between two frames go into the pane together, once, in the order they
// came; a form feed among them still wipes what came before it.
TEST_F(ReceiveTest, ChunksBetweenTwoFramesGoInTogether) {
    OpenPort();
    ReceptionPane* pane = Pane();
    int updates = 0;
    QObject::connect(pane, &ReceptionPane::Updated, [&] { ++updates; });
    for (const char* chunk : {"one ", "two\r", "\nthree"})
        pane->Append(QString::fromLatin1(chunk));
    EXPECT_EQ(PaneText(), QString()) << "nothing before the frame";
    ASSERT_TRUE(WaitUntil([&] { return updates > 0; }));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(PaneText(), QStringLiteral("one two\nthree"));

    pane->Append(QStringLiteral("lost"));
    pane->Replace(QStringLiteral("kept"));
    pane->Append(QStringLiteral(" too"));
    ASSERT_TRUE(WaitUntil([&] { return updates > 1; }));
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(PaneText(), QStringLiteral("kept too"));
}

// A flood larger than one frame takes is shown over several frames, all of it, in order.
TEST_F(ReceiveTest, AFloodIsShownWholeOverSeveralFrames) {
    OpenPort();
    QString flood;
    for (int line = 0; static_cast<std::size_t>(flood.size()) < 3 * ReceptionPane::MaxFrameText;
         ++line)
        flood += QStringLiteral("reading %1\r\n").arg(line);
    int updates = 0;
    QObject::connect(Pane(), &ReceptionPane::Updated, [&] { ++updates; });
    Pane()->Append(flood);
    ASSERT_TRUE(WaitUntil([] { return !Pane()->HasPending(); }));
    EXPECT_GE(updates, 3);
    EXPECT_EQ(PaneText(), flood.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

TEST_F(ReceiveTest, ClearingThePaneDropsWhatWaitsForTheNextFrame) {
    OpenPort();
    Pane()->Append(QStringLiteral("before the clear"));
    Quelt->BitBtn2->click();
    Pane()->Flush();
    EXPECT_EQ(PaneText(), QString());
}

// The view shows the newest text while it is at the end; scrolled up, it stays put.
TEST_F(ReceiveTest, TheViewFollowsTheEndUntilTheUserScrollsUp) {
    OpenPort();
    QScrollBar* bar = Quelt->Memo->verticalScrollBar();
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    Receive(lines);
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    Receive("more\r\nand more\r\n");
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(10);
    Receive(lines);
    EXPECT_EQ(bar->value(), 10);
    EXPECT_GT(bar->maximum(), 10);

    bar->setValue(bar->maximum());
    Receive("\fshort");
    Receive(lines);
    EXPECT_EQ(bar->value(), bar->maximum()) << "at the end again: following again";
}

// While the view is at the end it also follows the last line sideways as it grows, and
// back to the left when a new line starts; scrolled up, it stays put.
TEST_F(ReceiveTest, TheViewFollowsAGrowingLastLineSideways) {
    OpenPort();
    QScrollBar* across = Quelt->Memo->horizontalScrollBar();
    for (int i = 0; i < 40; ++i)
        Receive("v=" + std::to_string(i) + " ");
    ASSERT_GT(across->maximum(), 0) << "the line is wider than the pane";
    EXPECT_EQ(across->value(), across->maximum());
    const QRect newest = Quelt->Memo->CharacterRect(Quelt->Memo->textLength() - 1);
    EXPECT_TRUE(Quelt->Memo->viewport()->rect().contains(newest.center()))
        << "the newest character is in view";

    Receive("\r\nnext");
    EXPECT_EQ(across->value(), 0) << "a new line is shown from its start";

    Receive(std::string(200, 'x'));
    ASSERT_GT(across->value(), 0);
    across->setValue(0);
    Receive(std::string(50, 'y'));
    EXPECT_EQ(across->value(), 0) << "a user reading the line's start keeps their place";
}

// The pane holds a bounded amount of text: beyond it the oldest whole lines go, the
// selection keeps the text it had, and the rows in view stay in view.
TEST_F(ReceiveTest, BeyondItsLimitThePaneDropsTheOldestWholeLines) {
    OpenPort();
    ReceptionView* view = Quelt->Memo;
    const std::size_t before = view->maxHeld();
    view->setMaxHeld(40);
    Receive("line 1\r\nline 2\r\nline 3\r\n"); // 21 characters
    view->setSelection(14, 20);                // "line 3"
    view->verticalScrollBar()->setValue(0);
    Receive("line 4\r\nline 5\r\nline 6\r\n");
    EXPECT_EQ(PaneText(), QStringLiteral("line 2\nline 3\nline 4\nline 5\nline 6\n"));
    EXPECT_EQ(view->selectedText(), QStringLiteral("line 3"));
    EXPECT_EQ(view->lineCount(), 6);

    // A line that never ends keeps its newest part, measured from its new start.
    view->setMaxHeld(2000);
    std::string endless;
    while (endless.size() < 5000)
        endless += "iW m ";
    endless += "END";
    for (std::size_t at = 0; at < endless.size(); at += 1000)
        Receive(endless.substr(at, 1000)); // each part fits the port's queue
    const QString kept = PaneText();
    EXPECT_LE(kept.size(), 2000);
    EXPECT_TRUE(kept.endsWith(u"W m END"));
    EXPECT_EQ(view->lineCount(), 1);
    view->horizontalScrollBar()->setValue(0);
    const QFontMetricsF metrics(view->font());
    for (qsizetype k : {qsizetype{600}, qsizetype{1500}}) {
        const double x = view->CharacterRect(k).left() - view->CharacterRect(0).left();
        EXPECT_NEAR(x, metrics.horizontalAdvance(kept.left(k)), 2.0) << "at " << k;
    }

    view->setMaxHeld(before);
}

// Once the pane has a flood waiting, what arrives stays in the port's queue until a frame
// has made room, and then comes after the flood, in order.
TEST_F(ReceiveTest, AFullPaneLeavesNewTextInThePortUntilAFrameMakesRoom) {
    OpenPort();
    const std::string flood(3 * ReceptionPane::MaxPending, 'f');
    Pane()->Append(flood);
    ASSERT_TRUE(Pane()->Full());
    int deliveries = 0;
    win::DWORD queuedAfterFirst = 0;
    const auto window = Quelt->ComPort->OnRxChar;
    Quelt->ComPort->OnRxChar = [&](TObject* sender, std::int32_t count) {
        window(sender, count);
        if (++deliveries == 1)
            queuedAfterFirst = device->QueuedInput();
    };
    device->Inject("tail\r\n");
    ASSERT_TRUE(WaitUntil([&] { return deliveries > 0; }));
    EXPECT_EQ(queuedAfterFirst, 6u) << "nothing was read while the pane was full";
    ASSERT_TRUE(WaitUntil([&] { return device->QueuedInput() == 0 && !Pane()->HasPending(); }));
    EXPECT_EQ(PaneText().size(), static_cast<qsizetype>(flood.size() + 5));
    EXPECT_TRUE(PaneText().endsWith(u"ftail\n"));
    Quelt->ComPort->OnRxChar = window;
}

TEST_F(ReceiveTest, HardwareDetectedFollowsDsrWhileThePortIsOpen) {
    device = AttachDevice();
    device->SetDSR(true);
    Quelt->AbrirPorta1->trigger();
    EXPECT_TRUE(HardwareDetected) << "known before the open returns";

    device->SetDSR(false);
    EXPECT_TRUE(WaitUntil([] { return !HardwareDetected; }));
    device->SetDSR(true);
    EXPECT_TRUE(WaitUntil([] { return HardwareDetected; }));

    Quelt->FecharPorta1->trigger();
    EXPECT_FALSE(HardwareDetected) << "closing reports DSR off";
}

TEST_F(ReceiveTest, DeviceGoneBetweenTwoOpensRefusesSendingUntilItIsBack) {
    OpenPort(true);
    Quelt->FecharPorta1->trigger();
    device->SetDSR(false); // unplugged from the line while the port was closed
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(PortOpen);

    Send(QStringLiteral("A"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, QMessageBox::Warning);
    EXPECT_EQ(Wire(), std::string());

    device->SetDSR(true);
    ASSERT_TRUE(WaitUntil([] { return HardwareDetected; }));
    Send(QStringLiteral("A"));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Wire(), Bytes({'A', 0}));
}

} // namespace
} // namespace tavrin::testing
