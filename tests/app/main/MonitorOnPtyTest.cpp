// The line monitor over a real line: a pseudo-terminal pair made by socat, pyserial at the
// other end answering a command. The rows are the very bytes that crossed, in order; the
// monitor opened, cleared and closed during a send's pause, and the program ended during a
// send with the monitor open.

#include "PeerFixture.h"
#include "app/line/MonitorModel.h"
#include "app/windows/UnitMonitor.h"

#include <QPushButton>

#include <memory>
#include <string>

namespace tavrin::testing {
namespace {

class MonitorOnPtyTest : public PeerFixture {
protected:
    void SetUp() override {
        PeerFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(ConnectPeer());
        Quelt->AbrirPorta1->trigger();
        ASSERT_TRUE(WaitUntil([] { return HardwareDetected; })) << "the peer's end asserts DSR";
    }

    // "TX CR 50.1" per row: direction, character and gap.
    static std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        const MonitorModel& model = *FormMonitor->Model;
        for (int row = 0; row < model.rowCount(); ++row) {
            std::string text;
            for (int column : {MonitorModel::ColDirection, MonitorModel::ColCharacter})
                text +=
                    model.data(model.index(row, column), Qt::DisplayRole).toString().toStdString() +
                    ' ';
            rows.push_back(text);
        }
        return rows;
    }
    static double Gap(int row) {
        const MonitorModel& model = *FormMonitor->Model;
        return model.data(model.index(row, MonitorModel::ColGap), Qt::DisplayRole)
            .toString()
            .toDouble();
    }
};

TEST_F(MonitorOnPtyTest, ACommandOnANewLineAndItsAnswerShowByteByByte) {
    Quelt->MonitordaLinha1->trigger();
    ASSERT_NE(FormMonitor, nullptr);
    Quelt->activateWindow();
    ASSERT_TRUE(WaitUntil([] { return Quelt->isActiveWindow(); }));
    QTest::mouseClick(Quelt->nova_linha, Qt::LeftButton);
    ASSERT_TRUE(Quelt->nova_linha->isChecked());
    QTest::mouseClick(Quelt->Edit_Data, Qt::LeftButton);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("AB"));
    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return); // returns once the send is over

    ASSERT_EQ(Peer().Read(5, 10), std::string("\r\nAB\0", 5));
    ASSERT_TRUE(Peer().Write("OK\r\n"));
    ASSERT_TRUE(WaitUntil([] { return FormMonitor->Model->rowCount() >= 9; }));

    EXPECT_EQ(Rows(), (std::vector<std::string>{"TX CR ", "TX LF ", "TX A ", "TX B ", "TX NUL ",
                                                "RX O ", "RX K ", "RX CR ", "RX LF "}));
    // The pacing shows in the gaps; how long they are is the machine's business.
    for (int row = 1; row < 5; ++row)
        EXPECT_GT(Gap(row), 0) << "row " << row;
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MonitorOnPtyTest, TheMonitorOpenedClearedAndClosedDuringASendLeavesTheSendWhole) {
    const std::string command = "abcdefgh";
    bool inside = false;
    QTimer::singleShot(0, Quelt, [&] {
        ASSERT_TRUE(WaitUntil([] { return PacingElapsed; }));
        Quelt->MonitordaLinha1->trigger();
        ASSERT_NE(FormMonitor, nullptr);
        FormMonitor->Limpar->click();
        FormMonitor->close();
        inside = true;
    });
    Quelt->Edit_Data->setText(QString::fromStdString(command));
    Quelt->Button_Send->click();

    EXPECT_TRUE(inside);
    EXPECT_EQ(Peer().Read(command.size() + 1, 10), command + '\0');
    ASSERT_NE(FormMonitor, nullptr);
    FormMonitor->Model->Publish();
    const int rows = FormMonitor->Model->rowCount();
    EXPECT_GT(rows, 0) << "the monitor goes on listening while hidden";
    EXPECT_LT(rows, static_cast<int>(command.size()) + 1) << "cleared after the first bytes";
    EXPECT_EQ(FormMonitor->Model->ByteAt(rows - 1), 0) << "the last row is the NUL";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MonitorOnPtyTest, ClosingTheProgramDuringASendWithTheMonitorOpenEndsQuietly) {
    Quelt->MonitordaLinha1->trigger();
    app->SetMessageFunction([this](const MessageRequest& request) {
        boxes.push_back(request);
        return request.kind == QMessageBox::Question ? QMessageBox::Ok : QMessageBox::NoButton;
    });
    QTimer::singleShot(0, Quelt, [] {
        QTimer::singleShot(0, Quelt, [] { Quelt->close(); });
        Quelt->Edit_Data->setText(QStringLiteral("abcdefgh"));
        Quelt->Button_Send->click();
    });

    EXPECT_EQ(app->Run(), 0);
    ASSERT_EQ(boxes.size(), 1u) << "only the close query, no error after it";
    EXPECT_FALSE(Quelt->ComPort->Connected());
    app.reset();
    EXPECT_EQ(FormMonitor, nullptr);
}

} // namespace
} // namespace tavrin::testing
