// Errors raised in handlers that Qt calls end that handler only: the default error
// handling shows them, and the program goes on.

#include "AppFixture.h"

#include "app/qt/Guarded.h"
#include "serial/CPort.h"

#include <QAction>
#include <QTimer>

namespace tavrin::testing {
namespace {

using GuardedTest = AppFixture;

TEST_F(GuardedTest, ErrorInAHandlerIsShownAndSkipsTheRestOfIt) {
    struct Row {
        const char* name;
        std::function<void()> raise;
        const char* message;
    } rows[] = {
        {"engine error in Windows-1252", [] { throw EComPort(CError_OpenFailed, 5); },
         "Porta Com não disponível (win error code: 5)"},
        {"library error", [] { throw Exception("Failed to store settings"); },
         "Failed to store settings"},
        {"standard error", [] { throw std::runtime_error("out of range"); }, "out of range"},
        {"anything else", [] { throw 42; }, "Unknown error"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.clear();
        QAction command;
        bool restRan = false;
        QObject::connect(&command, &QAction::triggered, Guarded([&] {
            row.raise();
            restRan = true;
        }));
        command.trigger();
        EXPECT_FALSE(restRan);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].caption, ProgramTitle);
        EXPECT_EQ(boxes[0].text, QString::fromUtf8(row.message));
    }
}

TEST_F(GuardedTest, EventLoopGoesOnAfterATimerHandlerFails) {
    int laterRuns = 0;
    QTimer::singleShot(0, Guarded([] { throw EComPort(CError_TransmitFailed, 31); }));
    QTimer::singleShot(0, [&laterRuns] { ++laterRuns; });
    EXPECT_TRUE(WaitUntil([&] { return laterRuns == 1; }));
    EXPECT_EQ(Errors().size(), 1u);
}

} // namespace
} // namespace tavrin::testing
