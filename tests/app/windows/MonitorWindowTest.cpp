// The line monitor's window as the user meets it: opened from the menu beside a working main
// window, its table following the newest byte or staying where the user scrolled, the frame
// of the chosen byte at the port's settings, its buttons, and the program ending with it
// open.

#include "AppFixture.h"
#include "app/line/MonitorModel.h"
#include "app/widgets/FrameView.h"
#include "app/windows/UnitMonitor.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <string>

namespace tavrin::testing {
namespace {

class MonitorWindowTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
        Quelt->MonitordaLinha1->trigger();
        ASSERT_NE(FormMonitor, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FormMonitor));
        traffic().Opened({"COM1", 9600, 8, prNone, sbOneStopBit});
    }
    static LineTraffic& traffic() { return Quelt->Traffic(); }
    static MonitorModel& model() { return *FormMonitor->Model; }
    static QScrollBar& bar() { return *FormMonitor->Table->verticalScrollBar(); }
    // Arrivals shown, and the view laid out after them.
    static void Shown() {
        model().Publish();
        QCoreApplication::processEvents();
    }
    static bool AtEnd() { return bar().value() == bar().maximum() && bar().maximum() > 0; }
};

TEST_F(MonitorWindowTest, TheMenuOpensOneWindowThatLeavesTheMainWindowUsable) {
    TFormMonitor* first = FormMonitor;
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Monitor da Linha"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    first->close();
    EXPECT_FALSE(first->isVisible());
    Quelt->MonitordaLinha1->trigger();
    EXPECT_EQ(FormMonitor, first) << "one window, shown again";
    EXPECT_TRUE(first->isVisible());

    // The main window takes typing while the monitor is up.
    Quelt->activateWindow();
    ASSERT_TRUE(WaitUntil([] { return Quelt->isActiveWindow(); }));
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("ok"));
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("ok"));

    for (QWidget* control : std::initializer_list<QWidget*>{
             FormMonitor->Pausar, FormMonitor->Limpar, FormMonitor->Table, FormMonitor->Frame}) {
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        EXPECT_FALSE(control->accessibleDescription().isEmpty())
            << control->objectName().toStdString();
    }
}

TEST_F(MonitorWindowTest, TheTableFollowsTheNewestByteOnlyWhileAtTheEnd) {
    traffic().Received(std::string(2000, 'a'));
    Shown();
    ASSERT_TRUE(AtEnd());
    traffic().Received(std::string(500, 'b'));
    Shown();
    EXPECT_TRUE(AtEnd()) << "at the end, the view follows";
    EXPECT_EQ(model().rowCount(), 2500);

    bar().setValue(100);
    traffic().Received(std::string(500, 'c'));
    Shown();
    EXPECT_EQ(bar().value(), 100) << "scrolled up, the view stays";
}

TEST_F(MonitorWindowTest, RowsBeingReadAndTheChosenByteStayWhileTheOldestMakeRoom) {
    std::string bytes(1'000'000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    traffic().Received(bytes);
    Shown();
    FormMonitor->Table->selectRow(0); // the oldest byte, about to go
    bar().setValue(500'000);
    const unsigned char atTop = model().ByteAt(500'000);

    traffic().Received(std::string(1000, 'z'));
    Shown();
    ASSERT_EQ(model().rowCount(), 1'000'000);
    EXPECT_EQ(bar().value(), 499'000);
    EXPECT_EQ(model().ByteAt(bar().value()), atTop);
    EXPECT_TRUE(FormMonitor->Frame->CurrentDrawing().title.startsWith(QStringLiteral("0x00")))
        << "the frame keeps the byte the user chose";
}

TEST_F(MonitorWindowTest, TheChosenByteIsDrawnAtThePortsSettingsAndAgainWhenTheyChange) {
    EXPECT_TRUE(FormMonitor->Frame->CurrentDrawing().cells.empty()) << "nothing chosen yet";
    traffic().Received("xA");
    Shown();
    const QRect cell = FormMonitor->Table->visualRect(model().index(1, MonitorModel::ColHex));
    QTest::mouseClick(FormMonitor->Table->viewport(), Qt::LeftButton, {}, cell.center());

    const FrameView::Drawing& drawing = FormMonitor->Frame->CurrentDrawing();
    EXPECT_TRUE(drawing.title.contains(QStringLiteral("0x41"))) << drawing.title.toStdString();
    EXPECT_TRUE(drawing.title.contains(QStringLiteral("COM1 9600 8N1")));
    QString levels;
    for (const FrameView::Cell& c : drawing.cells)
        levels += c.name + QString::number(c.level) + u' ';
    EXPECT_EQ(levels,
              QStringLiteral("Repouso1 Start0 D01 D10 D20 D30 D40 D50 D61 D70 Stop1 Repouso1 "));
    EXPECT_TRUE(drawing.notes.join(u' ').contains(QStringLiteral("104.2 µs")));
    EXPECT_TRUE(drawing.notes.join(u' ').contains(QStringLiteral("1.04 ms")));

    traffic().Follow({"COM1", 19200, 7, prEven, sbTwoStopBits});
    const FrameView::Drawing& again = FormMonitor->Frame->CurrentDrawing();
    EXPECT_TRUE(again.title.contains(QStringLiteral("COM1 19200 7E2")))
        << again.title.toStdString();
    EXPECT_TRUE(again.notes.join(u' ').contains(QStringLiteral("52.1 µs")));
    EXPECT_TRUE(again.notes.join(u' ').contains(QStringLiteral("572.9 µs")));
    EXPECT_EQ(again.cells[again.cells.size() - 3].name, QStringLiteral("P"));
    EXPECT_EQ(again.cells[again.cells.size() - 2].name, QStringLiteral("Stop (2 bits)"));
    EXPECT_EQ(again.cells[again.cells.size() - 2].length, 2);
}

TEST_F(MonitorWindowTest, PausarHoldsTheTableAndLimparEmptiesIt) {
    traffic().Received("ab");
    Shown();
    QTest::mouseClick(FormMonitor->Pausar, Qt::LeftButton);
    EXPECT_EQ(FormMonitor->Pausar->text(), QStringLiteral("Continuar"));
    traffic().Received("cd");
    QTest::qWait(3 * MonitorModel::PublishIntervalMs);
    EXPECT_EQ(model().rowCount(), 2);
    QTest::mouseClick(FormMonitor->Pausar, Qt::LeftButton);
    EXPECT_EQ(FormMonitor->Pausar->text(), QStringLiteral("Pausar"));
    EXPECT_EQ(model().rowCount(), 4) << "what came meanwhile shows on resuming";

    FormMonitor->Table->selectRow(0);
    ASSERT_FALSE(FormMonitor->Frame->CurrentDrawing().cells.empty());
    QTest::mouseClick(FormMonitor->Limpar, Qt::LeftButton);
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_TRUE(FormMonitor->Frame->CurrentDrawing().cells.empty());
    traffic().Received("e");
    Shown();
    EXPECT_EQ(model().rowCount(), 1);
}

TEST_F(MonitorWindowTest, LineErrorsTheUartReportsShowOnTheRowsReadWithThem) {
    auto device = AttachDevice();
    device->SetDSR(true);
    // The port reports parity errors only when it checks parity.
    Quelt->ComPort->Parity().SetBits(prEven);
    Quelt->ComPort->Parity().SetCheck(true);
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());
    device->Inject("ab");
    ASSERT_TRUE(WaitUntil([] { return model().rowCount() + model().Waiting() == 2; }));
    device->InjectErrors(win::CE_RXPARITY | win::CE_FRAME);
    const auto errorsOf = [](int row) {
        return model()
            .data(model().index(row, MonitorModel::ColErrors), Qt::DisplayRole)
            .toString();
    };
    ASSERT_TRUE(WaitUntil([&] {
        model().Publish();
        return !errorsOf(1).isEmpty();
    }));
    EXPECT_EQ(errorsOf(0), QStringLiteral("paridade, quadro"));
    EXPECT_EQ(errorsOf(1), QStringLiteral("paridade, quadro"));
    device->Inject("c");
    ASSERT_TRUE(WaitUntil([] {
        model().Publish();
        return model().rowCount() == 3;
    }));
    EXPECT_EQ(errorsOf(2), QString()) << "the next chunk came clean";
}

TEST_F(MonitorWindowTest, TheProgramEndsWithTheMonitorOpenAndNothingLeftListening) {
    auto device = AttachDevice();
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());
    EXPECT_EQ(traffic().Listeners(), 1u);
    // The window goes first; the port, closing as the main window goes, tells nobody.
    app.reset();
    EXPECT_EQ(FormMonitor, nullptr);
}

} // namespace
} // namespace tavrin::testing
