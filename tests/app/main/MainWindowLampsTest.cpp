// The main window's two lamps: SP shows whether the port is open, HW whether a device
// asserts DSR; both follow the window's own port.

#include "AppFixture.h"
#include "serial/controls/CPortCtl.h"

namespace tavrin::testing {
namespace {

class MainWindowLampsTest : public AppFixture {
protected:
    // The colour at the middle of a lamp as the window shows it.
    static QString Centre(TComLed* lamp) {
        return lamp->grab().toImage().pixelColor(lamp->rect().center()).name();
    }
    const QString Lit = QStringLiteral("#ff0000");
    const QString Dark = QStringLiteral("#800000");
};

TEST_F(MainWindowLampsTest, BothLampsAreRedLampsBoundToTheWindowsPort) {
    struct {
        TComLed* lamp;
        TComLedSignal signal;
        QPoint at;
    } const rows[] = {{Quelt->ComLed2, lsConn, {263, 4}}, {Quelt->ComLed1, lsDSR, {316, 4}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lamp->objectName().toStdString());
        EXPECT_EQ(row.lamp->parentWidget(), Quelt->Panel2);
        EXPECT_EQ(row.lamp->geometry(), QRect(row.at, QSize(25, 25)));
        EXPECT_EQ(row.lamp->ComPort(), Quelt->ComPort);
        EXPECT_EQ(row.lamp->LedSignal(), row.signal);
        EXPECT_EQ(row.lamp->Kind(), lkRedLight);
        EXPECT_EQ(row.lamp->State(), lsOff);
        EXPECT_EQ(Centre(row.lamp), Dark);
    }
}

TEST_F(MainWindowLampsTest, SpLightsWhileThePortIsOpenAndHwWhileTheDeviceAssertsDsr) {
    auto device = AttachDevice();

    Quelt->AbrirPorta1->trigger();
    EXPECT_EQ(Centre(Quelt->ComLed2), Lit);
    EXPECT_EQ(Centre(Quelt->ComLed1), Dark);

    device->SetDSR(true);
    ASSERT_TRUE(WaitUntil([] { return Quelt->ComLed1->State() == lsOn; }));
    EXPECT_EQ(Centre(Quelt->ComLed1), Lit);
    EXPECT_TRUE(HardwareDetected);

    Quelt->FecharPorta1->trigger();
    EXPECT_EQ(Centre(Quelt->ComLed2), Dark);
    EXPECT_EQ(Centre(Quelt->ComLed1), Dark);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(MainWindowLampsTest, HwLightsAsThePortOpensOnADeviceThatAlreadyAssertsDsr) {
    auto device = AttachDevice();
    device->SetDSR(true);

    Quelt->AbrirPorta1->trigger();

    EXPECT_EQ(Quelt->ComLed2->State(), lsOn);
    EXPECT_EQ(Quelt->ComLed1->State(), lsOn);
}

} // namespace
} // namespace tavrin::testing
