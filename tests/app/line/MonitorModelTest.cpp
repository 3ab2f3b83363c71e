// The line monitor's rows, fed with times the test chooses: their columns, the gaps per
// direction, the errors on the rows they came with, the bound of a million rows, pausing,
// clearing and the batching of arrivals.

#include "app/line/MonitorModel.h"

#include <QBrush>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin::testing {
namespace {

using namespace std::chrono_literals;

class MonitorModelTest : public ::testing::Test {
protected:
    QString Cell(int row, int column) const {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }
    // The row as the table shows it, columns joined by '|'.
    std::string Row(int row) const {
        QStringList cells;
        for (int column = 0; column < MonitorModel::ColumnCount; ++column)
            cells << Cell(row, column);
        return cells.join(u'|').toStdString();
    }

    LineTraffic traffic;
    MonitorModel model{traffic};
    const LineClock::time_point t0 = LineClock::now();
};

TEST_F(MonitorModelTest, EveryByteIsARowWithItsTimeDirectionGapCodesAndName) {
    model.Opened(t0, {});
    model.Sent(t0 + 50ms, '\r');
    model.Sent(t0 + 60'040us, '\n');
    model.Sent(t0 + 70'060us, 'A');
    model.Received(t0 + 75'500us, std::string_view("O\0\x01", 3));
    model.Received(t0 + 123'456us, "\x7f\x80\xe9\xff");
    model.Publish();

    const std::vector<std::string> expected = {
        "50.0|TX||0x0D|13|CR|",     "60.0|TX|10.0|0x0A|10|LF|",    "70.1|TX|10.0|0x41|65|A|",
        "75.5|RX||0x4F|79|O|",     // the first received: no gap
        "75.5|RX|0.0|0x00|0|NUL|", // read together: one time
        "75.5|RX|0.0|0x01|1|0x01|", "123.5|RX|48.0|0x7F|127|DEL|", "123.5|RX|0.0|0x80|128|€|",
        "123.5|RX|0.0|0xE9|233|é|", "123.5|RX|0.0|0xFF|255|ÿ|",
    };
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_EQ(Row(row), expected[row]) << "row " << row;
    EXPECT_EQ(model.ByteAt(3), 'O');
    EXPECT_TRUE(model.IsReceived(3));
    EXPECT_FALSE(model.IsReceived(2));
}

TEST_F(MonitorModelTest, DirectionsHaveTheirOwnColours) {
    model.Opened(t0, {});
    model.Sent(t0, 'A');
    model.Received(t0, "B");
    model.Publish();
    for (int column :
         {MonitorModel::ColTime, MonitorModel::ColDirection, MonitorModel::ColCharacter}) {
        const auto sent = model.data(model.index(0, column), Qt::ForegroundRole).value<QBrush>();
        const auto received =
            model.data(model.index(1, column), Qt::ForegroundRole).value<QBrush>();
        EXPECT_NE(sent.color(), received.color()) << "column " << column;
    }
}

TEST_F(MonitorModelTest, TimesCountFromTheLastOpeningAndFromTheHubsOpeningForALateListener) {
    model.Opened(t0, {});
    model.Sent(t0 + 5ms, 'a');
    model.Closed(t0 + 6ms);
    model.Opened(t0 + 1s, {});
    model.Sent(t0 + 1s + 2ms, 'b');
    model.Publish();
    EXPECT_EQ(Cell(1, MonitorModel::ColTime), QStringLiteral("2.0"));
    EXPECT_EQ(Cell(1, MonitorModel::ColGap), QStringLiteral("997.0")) << "the gap spans the reopen";

    // A monitor made while the port is open counts from the opening, not from its start.
    traffic.Opened({});
    const auto opened = *traffic.OpenedAt();
    MonitorModel late(traffic);
    late.Sent(opened + 30ms, 'c');
    late.Publish();
    EXPECT_EQ(late.data(late.index(0, MonitorModel::ColTime), Qt::DisplayRole).toString(),
              QStringLiteral("30.0"));
    traffic.Closed();
    EXPECT_FALSE(traffic.OpenedAt());
}

TEST_F(MonitorModelTest, ErrorsShowOnTheRowsOfTheChunkTheyCameWith) {
    model.Opened(t0, {});
    model.Received(t0, "ab");
    model.LineErrors(t0, TComErrors{errParity});
    model.Received(t0, "c");
    model.Publish();
    // After the rows are shown, errors for the last chunk still reach it, and the view hears.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.LineErrors(t0, TComErrors{errFrame, errOverrun});
    EXPECT_EQ(changed.count(), 1);
    // Errors that come before anything was read belong to what is read next.
    model.Opened(t0 + 1s, {});
    model.LineErrors(t0 + 1s, TComErrors{errOverrun});
    model.Sent(t0 + 1s, 'x');
    model.Received(t0 + 1s, "d");
    model.Publish();

    const QString errors[] = {QStringLiteral("paridade"), QStringLiteral("paridade"),
                              QStringLiteral("quadro, sobrecarga"), QString(),
                              QStringLiteral("sobrecarga")};
    ASSERT_EQ(model.rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(Cell(row, MonitorModel::ColErrors), errors[row]) << "row " << row;
}

TEST_F(MonitorModelTest, KeepsTheNewestMillionBytesAndBoundsWhatWaits) {
    model.Opened(t0, {});
    const std::string chunk(1000, 'x');
    for (int i = 0; i < 1000; ++i)
        model.Received(t0, chunk);
    model.Received(t0, "12345");
    model.Publish();
    ASSERT_EQ(model.rowCount(), 1'000'000);
    EXPECT_EQ(Cell(0, MonitorModel::ColCharacter), QStringLiteral("x")) << "the oldest five gone";
    EXPECT_EQ(Cell(999'995, MonitorModel::ColCharacter), QStringLiteral("1"));
    EXPECT_EQ(Cell(999'999, MonitorModel::ColCharacter), QStringLiteral("5"));

    // Paused, arrivals wait, the newest million of them, and replace the rows on resuming.
    model.SetPaused(true);
    for (int i = 0; i < 2500; ++i)
        model.Received(t0, chunk);
    model.Sent(t0, 'Z');
    EXPECT_EQ(model.Waiting(), 1'000'000u);
    EXPECT_EQ(model.rowCount(), 1'000'000);
    EXPECT_EQ(Cell(999'999, MonitorModel::ColCharacter), QStringLiteral("5")) << "the view stays";
    model.SetPaused(false);
    EXPECT_EQ(model.Waiting(), 0u);
    ASSERT_EQ(model.rowCount(), 1'000'000);
    EXPECT_EQ(Cell(999'999, MonitorModel::ColCharacter), QStringLiteral("Z"));
}

TEST_F(MonitorModelTest, ArrivalsJoinTheRowsOnATimerInOneInsertionAndNotWhilePaused) {
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.Opened(t0, {});
    for (int i = 0; i < 100'000; ++i)
        model.Sent(t0, 'a');
    EXPECT_EQ(model.rowCount(), 0) << "nothing before the tick";
    QDeadlineTimer deadline(5000);
    while (model.rowCount() == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(model.rowCount(), 100'000);
    EXPECT_EQ(inserted.count(), 1);

    model.SetPaused(true);
    model.Sent(t0, 'b');
    QDeadlineTimer pause(3 * MonitorModel::PublishIntervalMs);
    while (!pause.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_EQ(model.rowCount(), 100'000) << "paused: the rows stay";
    model.SetPaused(false);
    EXPECT_EQ(model.rowCount(), 100'001);
}

TEST_F(MonitorModelTest, ClearEmptiesTheRowsAndWhatWaitsAndStartsTheGapsAfresh) {
    model.Opened(t0, {});
    model.Sent(t0, 'a');
    model.Publish();
    model.Sent(t0 + 1ms, 'b');
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Waiting(), 0u);
    model.Sent(t0 + 2ms, 'c');
    model.Publish();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(Row(0), "2.0|TX||0x63|99|c|");
}

TEST_F(MonitorModelTest, LeavesTheHubWhenDestroyed) {
    LineTraffic hub;
    {
        MonitorModel listening(hub);
        EXPECT_EQ(hub.Listeners(), 1u);
    }
    EXPECT_EQ(hub.Listeners(), 0u);
    hub.Sent('a'); // nobody left to tell
}

} // namespace
} // namespace tavrin::testing
