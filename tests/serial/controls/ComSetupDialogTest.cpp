// The port setup dialog reached from "Porta...": its layout, the values it opens with, what
// OK, Cancel, the close box and the keys do to the port, open ports reconfigured, the
// device list failing, and the devices' tooltips.

#include "ComSetupFixture.h"
#include "app/qt/Ansi.h"
#include "support/PortExpect.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>

namespace tavrin::testing {
namespace {

using win::virt::Call;

class ComSetupDialogTest : public ComSetupFixture {
protected:
    void SetUp() override {
        ComSetupFixture::SetUp();
        com1 = AddCom(1);
        com2 = AddCom(2);
    }

    // Sets the six values of the main window's port.
    static void Configure(const char* name, TBaudRate baud, TDataBits data, TStopBits stop,
                          TParityBits parity, TFlowControl flow) {
        TComPort& port = *Quelt->ComPort;
        port.SetPort(name);
        port.SetBaudRate(baud);
        port.SetDataBits(data);
        port.SetStopBits(stop);
        port.Parity().SetBits(parity);
        port.FlowControl().SetFlowControl(flow);
    }
    static std::vector<std::string> PortValues() {
        const TComPort& port = *Quelt->ComPort;
        return {port.Port(),
                BaudRateToText(port.BaudRate()),
                DataBitsToText(port.DataBits()),
                StopBitsToText(port.StopBits()),
                ParityToText(port.Parity().Bits()),
                FlowControlToText(port.FlowControl().FlowControl())};
    }
    static void PickAll(TComSetupFrm& form, const std::vector<QString>& texts) {
        const auto combos = form.Combos();
        for (std::size_t i = 0; i < combos.size(); ++i)
            Pick(combos[i], texts[i]);
    }

    std::shared_ptr<win::virt::VirtualDevice> com1;
    std::shared_ptr<win::virt::VirtualDevice> com2;
};

TEST_F(ComSetupDialogTest, LayoutIsTheDesignedOne) {
    ShowMainWindow();
    Quelt->move(0, 0); // the dialog is centred on the screen, not over the active window
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) {
        EXPECT_EQ(form.objectName(), QStringLiteral("ComSetupFrm"));
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Setup"));
        EXPECT_EQ(form.size(), QSize(231, 216));
        EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "a fixed frame";
        EXPECT_EQ(form.font().pixelSize(), 11);
        const QPoint offCentre =
            form.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
        EXPECT_LE(offCentre.manhattanLength(), 8) << "centred, give or take the frame";
        const struct Row {
            QWidget* widget;
            QRect geometry;
            QString caption;
        } rows[] = {
            {form.GroupBox1, {8, 8, 217, 169}, QStringLiteral(" Settings ")},
            {form.Label1, {8, 24, 65, 13}, QStringLiteral("Port")},
            {form.Label2, {8, 48, 65, 13}, QStringLiteral("Baud rate")},
            {form.Label3, {8, 72, 65, 13}, QStringLiteral("Data bits")},
            {form.Label4, {8, 96, 65, 13}, QStringLiteral("Stop bits")},
            {form.Label5, {8, 120, 65, 13}, QStringLiteral("Parity")},
            {form.Label6, {8, 144, 65, 13}, QStringLiteral("Flow control")},
            {form.Combo1, {80, 16, 129, 21}, {}},
            {form.Combo2, {80, 40, 129, 21}, {}},
            {form.Combo3, {80, 64, 129, 21}, {}},
            {form.Combo4, {80, 88, 129, 21}, {}},
            {form.Combo5, {80, 112, 129, 21}, {}},
            {form.Combo6, {80, 136, 129, 21}, {}},
            {form.Button1, {70, 184, 75, 25}, QStringLiteral("OK")},
            {form.Button2, {150, 184, 75, 25}, QStringLiteral("Cancel")},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.widget->objectName().toStdString());
            EXPECT_EQ(row.widget->geometry(), row.geometry);
            QString caption;
            if (auto* label = qobject_cast<QLabel*>(row.widget))
                caption = label->text();
            else if (auto* button = qobject_cast<QPushButton*>(row.widget))
                caption = button->text();
            else if (auto* box = qobject_cast<QGroupBox*>(row.widget))
                caption = box->title();
            EXPECT_EQ(caption, row.caption);
        }
        const TComProperty properties[] = {cpPort,     cpBaudRate, cpDataBits,
                                           cpStopBits, cpParity,   cpFlowControl};
        for (std::size_t i = 0; i < 6; ++i) {
            TComComboBox* combo = form.Combos()[i];
            SCOPED_TRACE(combo->objectName().toStdString());
            EXPECT_EQ(combo->parentWidget(), form.GroupBox1);
            EXPECT_EQ(combo->ComProperty(), properties[i]);
            EXPECT_FALSE(combo->AutoApply());
            EXPECT_FALSE(combo->isEditable());
            EXPECT_EQ(combo->view()->sizeHintForRow(0), 13);
        }
        EXPECT_TRUE(form.Button1->isDefault());
        EXPECT_FALSE(form.Button2->isDefault());

        // Tab goes through the six lists, then OK and Cancel.
        std::vector<QString> order;
        form.activateWindow();
        ASSERT_TRUE(WaitUntil([&form] { return form.isActiveWindow(); }));
        form.Combo1->setFocus();
        for (int i = 0; i < 9 && QApplication::focusWidget(); ++i) {
            order.push_back(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(order, (std::vector<QString>{"Combo1", "Combo2", "Combo3", "Combo4", "Combo5",
                                               "Combo6", "Button1", "Button2", "Combo1"}));
        form.reject();
    }));
}

TEST_F(ComSetupDialogTest, OpensWithThePortsCurrentValues) {
    Configure("COM1", br9600, dbEight, sbOneStopBit, prNone, fcNone);
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) {
        EXPECT_EQ(Texts(form),
                  (std::vector<std::string>{"COM1", "9600", "8", "1", "None", "None"}));
        form.reject();
    }));
}

TEST_F(ComSetupDialogTest, OnlyOkWritesTheChoicesIntoThePort) {
    const std::vector<QString> choices = {"COM2", "115200", "7", "2", "Even", "Software"};
    const std::vector<std::string> before = {"COM1", "9600", "8", "1", "None", "None"};
    const std::vector<std::string> after = {"COM2", "115200", "7", "2", "Even", "Software"};
    const struct Row {
        const char* name;
        std::function<void(TComSetupFrm&)> close;
        bool written;
    } rows[] = {
        {"OK clicked", [](TComSetupFrm& f) { QTest::mouseClick(f.Button1, Qt::LeftButton); }, true},
        {"Enter in a list", [](TComSetupFrm& f) { QTest::keyClick(f.Combo3, Qt::Key_Return); },
         true},
        {"Cancel clicked", [](TComSetupFrm& f) { QTest::mouseClick(f.Button2, Qt::LeftButton); },
         false},
        {"close box", [](TComSetupFrm& f) { f.close(); }, false},
        {"Escape does nothing",
         [](TComSetupFrm& f) {
             QTest::keyClick(f.Combo3, Qt::Key_Escape);
             QTest::keyClick(&f, Qt::Key_Escape);
             EXPECT_TRUE(f.isVisible());
             f.close();
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Configure("COM1", br9600, dbEight, sbOneStopBit, prNone, fcNone);
        ASSERT_TRUE(WithSetupDialog([&](TComSetupFrm& form) {
            form.activateWindow();
            PickAll(form, choices);
            row.close(form);
        }));
        EXPECT_EQ(PortValues(), row.written ? after : before);
        EXPECT_TRUE(Errors().empty());
    }
}

TEST_F(ComSetupDialogTest, AnUnlistedNameShowsNoSelectionAndOkEmptiesIt) {
    Configure("COM9", br9600, dbEight, sbOneStopBit, prNone, fcNone);
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) {
        EXPECT_EQ(form.Combo1->currentIndex(), -1);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
    }));
    EXPECT_EQ(Quelt->ComPort->Port(), "");
    ExpectComError([] { Quelt->ComPort->OpenPort(); }, CError_OpenFailed, 2);

    // Open on a device the list lacks: OK reopens the port on no device at once.
    const auto unlisted = AttachDevice("TAVRINV1");
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected()) << ::testing::PrintToString(Errors());
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) { form.accept(); }));
    EXPECT_FALSE(Quelt->ComPort->Connected());
    EXPECT_EQ(Errors(), (std::vector<QString>{FromAnsi(ExpectedComMessage(CError_OpenFailed, 2))}));
    EXPECT_EQ(Quelt->ComPort->UpdateCount(), 0) << "the update ended despite the error";
    // The window follows: the port can be opened again from the menu.
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
}

TEST_F(ComSetupDialogTest, OkOnAnOpenPortConfiguresItOnceOrReopensItOnTheNewDevice) {
    const struct Row {
        const char* name;
        std::vector<QString> choices; // empty: nothing changed
        int com1Configured;           // SetCommState calls after OK
        bool movesToCom2;
    } rows[] = {
        {"nothing changed", {}, 1, false},
        {"baud rate changed", {"COM1", "57600", "8", "1", "None", "None"}, 1, false},
        {"device changed", {"COM2", "9600", "8", "1", "None", "None"}, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        Configure("COM1", br9600, dbEight, sbOneStopBit, prNone, fcNone);
        Quelt->AbrirPorta1->trigger();
        ASSERT_TRUE(com1->IsOpen());
        com1->ClearJournal();
        ASSERT_TRUE(WithSetupDialog([&](TComSetupFrm& form) {
            if (!row.choices.empty())
                PickAll(form, row.choices);
            // Nothing reaches the device before OK.
            const auto picked = com1->Calls();
            EXPECT_EQ(std::count(picked.begin(), picked.end(), Call::SetCommState), 0);
            QTest::mouseClick(form.Button1, Qt::LeftButton);
        }));
        EXPECT_TRUE(Quelt->ComPort->Connected());
        const auto calls = com1->Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), Call::SetCommState), row.com1Configured);
        EXPECT_EQ(com1->IsOpen(), !row.movesToCom2);
        EXPECT_EQ(com2->IsOpen(), row.movesToCom2);
        if (row.name == std::string("baud rate changed")) {
            EXPECT_EQ(com1->LastDcb().BaudRate, 57600u);
        }
        EXPECT_TRUE(Errors().empty());
    }
}

using NoSerialDeviceTest = ComSetupFixture;

TEST_F(NoSerialDeviceTest, SetupShowsTheReadingErrorAndNoDialog) {
    EXPECT_FALSE(WithSetupDialog([](TComSetupFrm& form) { form.reject(); }, 300));
    EXPECT_EQ(Errors(),
              (std::vector<QString>{QStringLiteral(
                  "Error reading Combo1.ComProperty: Registry error (win error code: 2)")}));
}

TEST_F(ComSetupDialogTest, ThePortGoingAwayWhileTheDialogIsOpenIsNotWrittenTo) {
    ASSERT_TRUE(WithSetupDialog([](TComSetupFrm& form) {
        Pick(form.Combo2, "300");
        delete Quelt->ComPort;
        Quelt->ComPort = nullptr;
        EXPECT_EQ(form.Combo2->ComPort(), nullptr);
        EXPECT_EQ(form.Combo2->Text(), "Custom");
        QTest::mouseClick(form.Button1, Qt::LeftButton);
    }));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ComSetupDialogTest, UsbAdaptersCarryWhatTheyAreAsTooltip) {
    sysfs.UsbDevice("pci0/usb1/1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    sysfs.Tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
    sysfs.UsbDevice("pci0/usb1/1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A9047XQ2");
    sysfs.Tty("ttyUSB1", "pci0/usb1/1-2/1-2:1.0/ttyUSB1");
    const QString first = QStringLiteral("FTDI FT232R USB UART, serial A50285BI (USB 0403:6001)");
    const QString second = QStringLiteral("FTDI FT232R USB UART, serial A9047XQ2 (USB 0403:6001)");
    ASSERT_TRUE(WithSetupDialog([&](TComSetupFrm& form) {
        TComComboBox* combo = form.Combo1;
        ASSERT_EQ(combo->count(), 4);
        EXPECT_EQ(combo->itemText(0), QStringLiteral("/dev/ttyUSB0"));
        EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString(), first);
        EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString(), second);
        EXPECT_EQ(combo->itemText(2), QStringLiteral("COM1"));
        EXPECT_EQ(combo->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/null"));

        // The open list shows it when the mouse rests on the item.
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(WaitUntil([view] { return view->isVisible(); }));
        const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
        EXPECT_TRUE(WaitUntil([] { return QToolTip::isVisible(); }));
        EXPECT_EQ(QToolTip::text(), first);
        combo->hidePopup();
        form.reject();
    }));
}

} // namespace
} // namespace tavrin::testing
