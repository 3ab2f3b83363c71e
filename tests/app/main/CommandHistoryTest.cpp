// Up and Down in the command line walk through the commands sent in this run.

#include "TransferFixture.h"

#include "app/main/CommandHistory.h"

#include <QTest>

namespace tavrin::testing {
namespace {

// What Up (+1) and Down (-1) leave in the line, step by step.
QStringList Walk(CommandHistory& history, QString shown, std::initializer_list<int> steps) {
    QStringList seen;
    for (int step : steps) {
        QString next;
        if (step > 0 ? history.Older(shown, next) : history.Newer(next))
            shown = next;
        seen << shown;
    }
    return seen;
}

TEST(CommandHistoryWalkTest, UpGoesBackDownComesForwardToTheDraft) {
    CommandHistory history;
    EXPECT_EQ(Walk(history, "x", {+1, -1}), (QStringList{"x", "x"})) << "nothing sent yet";
    for (const char* command : {"A1", "B2", "B2", "", "C3"})
        history.Remember(QString::fromLatin1(command));
    EXPECT_EQ(history.Size(), 3u) << "a repeat and an empty command add nothing";
    EXPECT_EQ(Walk(history, "dr", {+1, +1, +1, +1, -1, -1, -1, -1}),
              (QStringList{"C3", "B2", "A1", "A1", "B2", "C3", "dr", "dr"}));
    // Sending ends the walk: Up starts again at the newest.
    history.Remember(QStringLiteral("A1"));
    EXPECT_EQ(Walk(history, "", {+1, +1}), (QStringList{"A1", "C3"}));
}

TEST(CommandHistoryWalkTest, KeepsTheNewestFifty) {
    CommandHistory history;
    for (int i = 0; i < 60; ++i)
        history.Remember(QString::number(i));
    EXPECT_EQ(history.Size(), CommandHistory::Capacity);
    QString shown, oldest;
    while (history.Older(shown, oldest))
        shown = oldest;
    EXPECT_EQ(oldest, QStringLiteral("10"));
}

class CommandHistoryTest : public TransferFixture {
protected:
    void SetUp() override {
        TransferFixture::SetUp();
        OpenPort();
        LineAlwaysFree();
        Quelt->Edit_Data->setFocus();
    }
    static void Key(Qt::Key key) { QTest::keyClick(Quelt->Edit_Data, key); }
    static QString Line() { return Quelt->Edit_Data->text(); }
};

TEST_F(CommandHistoryTest, UpAndDownShowTheCommandsNewestFirstThenWhatWasTyped) {
    for (const char* command : {"LED1", "LED0", "MOTOR"})
        Send(QString::fromLatin1(command));
    Quelt->Edit_Data->setText(QStringLiteral("TE"));
    QStringList seen;
    QStringList counters;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down,
                        Qt::Key_Down}) {
        Key(key);
        seen << Line();
        counters << Quelt->CR->text();
    }
    EXPECT_EQ(seen, (QStringList{"MOTOR", "LED0", "LED1", "LED1", "LED0", "MOTOR", "TE"}));
    EXPECT_EQ(counters, (QStringList{"27", "28", "28", "28", "28", "27", "30"}))
        << "the counter follows the line";

    // A recalled command goes out as a typed one.
    Key(Qt::Key_Up);
    device->ClearOutput();
    Quelt->Button_Send->click();
    EXPECT_EQ(Wire(), std::string("MOTOR") + '\0');
}

TEST_F(CommandHistoryTest, OnlyCommandsThatWentOutWholeAreRemembered) {
    Send(QStringLiteral("OK1"));
    // Lost hardware stops the next one half-way: it stays in the line, not in the history.
    DuringFirstPause([this] { device->SetDSR(false); });
    Send(QStringLiteral("LOST"));
    ASSERT_FALSE(boxes.empty());
    Quelt->Edit_Data->setText(QStringLiteral(""));
    Key(Qt::Key_Up);
    EXPECT_EQ(Line(), QStringLiteral("OK1"));
    Key(Qt::Key_Up);
    EXPECT_EQ(Line(), QStringLiteral("OK1")) << "nothing older";
}

TEST_F(CommandHistoryTest, UpDuringASendChangesTheLineNotTheCommandGoingOut) {
    Send(QStringLiteral("FIRST"));
    device->ClearOutput();
    DuringFirstPause([] { QTest::keyClick(Quelt->Edit_Data, Qt::Key_Up); });
    Send(QStringLiteral("SECOND"));
    EXPECT_EQ(Wire(), std::string("SECOND") + '\0');
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
