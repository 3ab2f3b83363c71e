// Start-up: the program entry creates the four windows in order, shows only the main one
// in its start state, and returns when the main window closes.

#include "AppFixture.h"

#include "app/Tavrin_Pj.h"
#include "base/Application.h"

#include <QTimer>

namespace tavrin::testing {
namespace {

// What the running program looked like, captured from inside its message loop.
struct StartState {
    bool seen = false;
    QString title;
    std::string engineTitle;
    QString caption;
    std::vector<QWidget*> forms;
    std::vector<QWidget*> references;
    bool mainFormIsMainWindow = false;
    QWidget* focus = nullptr;
    QWidget* expectedFocus = nullptr;
    std::vector<bool> visible;
    QString counter;
    bool openEnabled = false;
    bool closeEnabled = true;
    QStringList panels;
    bool clearCommandsChecked = true;
    bool state[3] = {true, true, true}; // PortOpen, HardwareDetected, PacingElapsed
    std::int32_t lengths[2] = {0, 0};   // MaxCommandLength, RemainingChars
};

StartState CaptureRunningProgram() {
    StartState s;
    QtApplication& app = QtApplication::Instance();
    s.seen = true;
    s.title = app.Title();
    s.engineTitle = Application::Instance().Title();
    s.caption = Quelt->windowTitle();
    s.forms = app.Forms();
    s.references = {Quelt, FormAjuda, FormSobre, ConfigTerm};
    s.mainFormIsMainWindow = app.MainForm() == Quelt;
    WaitUntil([] { return Quelt->isActiveWindow(); });
    s.focus = QApplication::focusWidget();
    s.expectedFocus = Quelt->Button_Send;
    for (QWidget* form : s.forms)
        s.visible.push_back(form->isVisible());
    s.counter = Quelt->CR->text();
    s.openEnabled = Quelt->AbrirPorta1->isEnabled();
    s.closeEnabled = Quelt->FecharPorta1->isEnabled();
    for (int i = 0; i < Quelt->StatusBar1->PanelCount(); ++i)
        s.panels << Quelt->StatusBar1->PanelText(i);
    s.clearCommandsChecked = ConfigTerm->LimpaComandos->isChecked();
    s.state[0] = PortOpen;
    s.state[1] = HardwareDetected;
    s.state[2] = PacingElapsed;
    s.lengths[0] = MaxCommandLength;
    s.lengths[1] = RemainingChars;
    return s;
}

TEST(StartUpTest, ProgramShowsTheMainWindowInItsStartStateAndEndsWhenItCloses) {
    ParkMouse();
    ResetModuleState();
    RemainingChars = 5; // FormCreate derives it from the maximum length
    StartState seen;
    int boxesAsked = 0;
    QTimer::singleShot(0, [&] {
        seen = CaptureRunningProgram();
        QtApplication::Instance().SetMessageFunction([&](const MessageRequest&) {
            ++boxesAsked;
            return QMessageBox::Yes;
        });
        Quelt->close();
    });
    // Should the window refuse to close, the loop still ends and the test fails below.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(20000);

    const int exitCode = Tavrin_Pj();
    watchdog.stop();

    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, ProgramTitle);
    EXPECT_EQ(seen.engineTitle, "Tavrin 1.0 - Comunica\xE7\xE3o Serial"); // Windows-1252
    EXPECT_EQ(seen.caption, ProgramTitle);
    EXPECT_EQ(seen.forms, seen.references) << "main, help, about, terminal settings";
    EXPECT_TRUE(seen.mainFormIsMainWindow);
    EXPECT_EQ(seen.visible, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(seen.focus, seen.expectedFocus);
    EXPECT_EQ(seen.counter, QStringLiteral("32"));
    EXPECT_TRUE(seen.openEnabled);
    EXPECT_FALSE(seen.closeEnabled);
    EXPECT_EQ(seen.panels, (QStringList{{}, {}, {}}));
    EXPECT_FALSE(seen.clearCommandsChecked);
    EXPECT_FALSE(seen.state[0] || seen.state[1] || seen.state[2]);
    EXPECT_EQ(seen.lengths[0], 32);
    EXPECT_EQ(seen.lengths[1], 32);
    EXPECT_EQ(boxesAsked, 1) << "the close query asks once";

    // The windows are gone with the program; nothing refers to them any more.
    EXPECT_EQ(Quelt, nullptr);
    EXPECT_EQ(FormAjuda, nullptr);
    EXPECT_EQ(FormSobre, nullptr);
    EXPECT_EQ(ConfigTerm, nullptr);
    EXPECT_FALSE(QtApplication::Exists());
}

using MainWindowTest = AppFixture;

TEST_F(MainWindowTest, WindowHasTheDesignedFrameAndClientArea) {
    ShowMainWindow();
    EXPECT_EQ(Quelt->centralWidget()->width(), 590);
    EXPECT_EQ(Quelt->centralWidget()->height() + Quelt->StatusBar1->height(), 331);
    EXPECT_EQ(Quelt->minimumSize(), Quelt->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = Quelt->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(Quelt->Memo->geometry(), QRect(3, 72, 583, 237));
    EXPECT_EQ(Quelt->Edit_Data->size(), QSize(382, 34));
    EXPECT_EQ(Quelt->CR->size(), QSize(25, 22));
    std::vector<int> widths;
    for (int i = 0; i < Quelt->StatusBar1->PanelCount(); ++i)
        widths.push_back(Quelt->StatusBar1->Panel(i)->width());
    EXPECT_EQ(widths, (std::vector<int>{450, 73, 50}));
}

TEST_F(MainWindowTest, HiddenButtonsAreLiveButCoveredByTheToolStrip) {
    ShowMainWindow();
    for (QPushButton* button :
         {Quelt->Button_Send, Quelt->Button1, Quelt->Bt_Store, Quelt->Bt_Load}) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_TRUE(button->isVisible());
        EXPECT_TRUE(button->isEnabled());
        const QPoint centre = button->mapTo(Quelt, button->rect().center());
        EXPECT_NE(Quelt->childAt(centre), button) << "the user cannot see or click it";
    }
    EXPECT_EQ(Quelt->Bt_Store->width(), 0);
    EXPECT_EQ(Quelt->Bt_Load->width(), 0);
}

// The pictures live in a static library; a resource that is not pulled into the program
// would leave them silently empty.
TEST_F(MainWindowTest, PicturesAreCompiledIn) {
    EXPECT_FALSE(Quelt->windowIcon().isNull());
    EXPECT_FALSE(Quelt->BitBtn1->icon().isNull());
    EXPECT_FALSE(Quelt->BitBtn2->icon().isNull());
    EXPECT_EQ(Quelt->Image2->pixmap().size(), QSize(137, 65));
}

TEST_F(MainWindowTest, PortIsClosedWithItsDesignSettings) {
    TComPort& port = *Quelt->ComPort;
    EXPECT_EQ(port.Name(), "ComPort");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity().Bits(), prNone);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.FlowControl().ControlDTR(), dtrEnable);
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsHandshake);
    EXPECT_FALSE(port.FlowControl().OutCTSFlow() || port.FlowControl().OutDSRFlow() ||
                 port.FlowControl().XonXoffOut() || port.FlowControl().XonXoffIn());
    EXPECT_TRUE(port.OnRxChar && port.OnDSRChange);
    // The line monitor and the transcript follow the port opening and closing, and its errors.
    EXPECT_TRUE(port.OnAfterOpen && port.OnAfterClose && port.OnError);
    EXPECT_FALSE(port.ComponentState().Contains(csLoading));
    EXPECT_FALSE(Quelt->Timer1->isActive());
    EXPECT_EQ(Quelt->Timer1->interval(), 50);
}

} // namespace
} // namespace tavrin::testing
