// The lamps repaint at once when their signal changes, so the DSR lamp processes waiting
// messages while the port's event thread waits for that very notification to be handled.
// A "Fechar Porta", or the close box answered OK, that arrives just then closes the port
// there and must neither freeze the window nor leave the event thread behind.

#include "AppFixture.h"
#include "serial/controls/CPortCtl.h"
#include "support/ThreadCount.h"

#include <QMetaObject>

#include <functional>

namespace tavrin::testing {
namespace {

class CloseFromLampTest : public AppFixture {};

TEST_F(CloseFromLampTest, CommandHandledInsideTheLampsRepaintClosesThePort) {
    const struct Row {
        const char* name;
        std::function<void()> command;
        bool windowCloses;
    } rows[] = {
        {"Fechar Porta", [] { Quelt->FecharPorta1->trigger(); }, false},
        {"close box answered OK", [] { Quelt->close(); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        Watchdog watchdog(std::string("closing from the lamp: ") + row.name);
        ShowMainWindow();
        auto device = AttachDevice();
        device->SetDSR(true);
        Quelt->AbrirPorta1->trigger();
        ASSERT_EQ(Quelt->ComLed1->State(), lsOn);
        const std::size_t threadsOpen = ThreadCount();
        answers = {QMessageBox::Ok};
        bool posted = false;
        Quelt->ComLed1->OnChange = [&](TObject*, TLedState state) {
            if (state == lsOff && !posted) {
                posted = true;
                QMetaObject::invokeMethod(Quelt, row.command, Qt::QueuedConnection);
            }
        };

        device->SetDSR(false);

        ASSERT_TRUE(WaitUntil([&] { return posted && !Quelt->ComPort->Connected(); }));
        EXPECT_FALSE(device->IsOpen());
        if (!row.windowCloses) {
            EXPECT_FALSE(PortOpen);
            EXPECT_TRUE(MenuSaysClosed());
        }
        EXPECT_EQ(Quelt->ComLed1->State(), lsOff);
        EXPECT_EQ(Quelt->ComLed2->State(), lsOff);
        EXPECT_EQ(Quelt->isVisible(), !row.windowCloses);
        EXPECT_TRUE(Errors().empty());
        EXPECT_EQ(SettledThreadCount(threadsOpen - 1), threadsOpen - 1)
            << "the port's event thread has ended";
        Quelt->ComLed1->OnChange = nullptr;
    }
}

} // namespace
} // namespace tavrin::testing
