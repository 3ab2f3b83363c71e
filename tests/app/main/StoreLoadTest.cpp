// "Armazenar" and "Carregar" as a user reaches them: by Tab and the space bar. The port's
// settings go to HKEY_LOCAL_MACHINE\Software\Ketno\ComPort and come back, also in a new run
// of the program; a store that cannot be used shows the port's error.

#include "AppFixture.h"
#include "support/TempConfig.h"

#include <QTest>

namespace tavrin::testing {
namespace {

class StoreLoadTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
    }
    // From the focus the window starts with, Tab `tabs` times, then the space bar.
    static void TabAndPress(int tabs) {
        Quelt->Button_Send->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCoreApplication::processEvents();
    }
    static void Store() { TabAndPress(2); } // Button_Send, Button1, Bt_Store
    static void Load() { TabAndPress(3); }  // ..., Bt_Load

    static std::string PortSettings() {
        TComPort& p = *Quelt->ComPort;
        return p.Port() + " " + BaudRateToText(p.BaudRate()) + " " + DataBitsToText(p.DataBits()) +
               ParityToText(p.Parity().Bits()) + StopBitsToText(p.StopBits()) + " " +
               FlowControlToText(p.FlowControl().FlowControl());
    }

    TempConfig config_; // the program's registry lives here for the test
};

TEST_F(StoreLoadTest, StoredSettingsComeBackInThisRunAndTheNext) {
    TComPort& port = *Quelt->ComPort;
    port.SetPort("COM4");
    port.SetBaudRate(br19200);
    port.SetDataBits(dbSeven);
    port.Parity().SetBits(prEven);
    port.SetStopBits(sbTwoStopBits);
    port.FlowControl().SetFlowControl(fcHardware);
    const std::string stored = PortSettings();
    ASSERT_EQ(stored, "COM4 19200 7Even2 Hardware");
    Store();

    port.SetPort("COM1");
    port.SetBaudRate(br115200);
    port.SetDataBits(dbEight);
    port.Parity().SetBits(prNone);
    port.SetStopBits(sbOneStopBit);
    port.FlowControl().SetFlowControl(fcNone);
    Load();
    EXPECT_EQ(PortSettings(), stored);

    Restart();
    ShowMainWindow();
    EXPECT_EQ(PortSettings(), "COM1 9600 8None1 Custom");
    Load();
    EXPECT_EQ(PortSettings(), stored);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(StoreLoadTest, AStoreThatCannotBeUsedShowsThePortError) {
    WriteFile(config_.Config() + "/registry.db", "not a database");
    const std::string before = PortSettings();
    Store();
    Load();
    EXPECT_EQ(Errors(), (std::vector<QString>{QStringLiteral("Failed to store settings"),
                                              QStringLiteral("Failed to load settings")}));
    EXPECT_EQ(PortSettings(), before);
    EXPECT_EQ(ReadFile(config_.Config() + "/registry.db"), "not a database");
}

// Loaded settings that name a device which cannot be opened leave the port closed; the
// window follows the port, so "Abrir Porta" works again, as after "Porta...".
TEST_F(StoreLoadTest, LoadOnAnOpenPortKeepsTheMenuInLineWithThePort) {
    const struct Row {
        const char* name;
        std::string storedPort;
        bool staysOpen;
    } rows[] = {
        {"same device", "TAVRINV1", true},
        {"device that is not there", "TAVRINGONE", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        ShowMainWindow();
        Quelt->ComPort->SetPort(row.storedPort);
        Store();
        auto device = AttachDevice("TAVRINV1");
        Quelt->AbrirPorta1->trigger();
        ASSERT_TRUE(PortOpen);

        Load();

        EXPECT_EQ(Quelt->ComPort->Connected(), row.staysOpen);
        EXPECT_EQ(PortOpen, row.staysOpen);
        EXPECT_TRUE(row.staysOpen ? MenuSaysOpen() : MenuSaysClosed());
        EXPECT_EQ(Errors(), row.staysOpen
                                ? std::vector<QString>{}
                                : std::vector<QString>{QStringLiteral("Failed to load settings")});
        if (!row.staysOpen) {
            Quelt->ComPort->SetPort("TAVRINV1");
            Quelt->AbrirPorta1->trigger();
            EXPECT_TRUE(Quelt->ComPort->Connected());
            EXPECT_TRUE(PortOpen);
            EXPECT_TRUE(MenuSaysOpen());
        }
    }
}

} // namespace
} // namespace tavrin::testing
