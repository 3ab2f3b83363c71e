// The GUI thread serves work that other threads hand to it, both from its event loop and
// when the engine processes waiting messages in the middle of a handler.

#include "AppFixture.h"

#include "base/Application.h"
#include "base/GuiQueue.h"

#include <QTimer>

#include <poll.h>

#include <atomic>
#include <thread>

namespace tavrin::testing {
namespace {

using MessagePumpTest = AppFixture;

TEST_F(MessagePumpTest, EventLoopRunsWorkQueuedByAnotherThreadOnTheGuiThread) {
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        gui_queue::Call([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
    });
    const bool done = WaitUntil([&] { return returned.load(); });
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(MessagePumpTest, ProcessMessagesRunsPostedEventsAndQueuedWork) {
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    std::atomic<bool> workRan{false};
    std::thread worker([&] { gui_queue::Call([&] { workRan = true; }); });
    // Block (no spinning) until the work is queued, then pump once, as a handler would.
    pollfd wake{gui_queue::WakeDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&wake, 1, 5000), 1);

    Application::Instance().ProcessMessages();

    worker.join();
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(workRan);
}

TEST_F(MessagePumpTest, ErrorInQueuedWorkGoesBackToTheThreadThatQueuedIt) {
    std::atomic<bool> returned{false};
    std::string caught;
    std::thread worker([&] {
        try {
            gui_queue::Call([] { throw Exception("raised on the GUI thread"); });
        } catch (const Exception& error) {
            caught = error.Message();
        }
        returned = true;
    });
    const bool done = WaitUntil([&] { return returned.load(); });
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(caught, "raised on the GUI thread");
    EXPECT_TRUE(Errors().empty()) << "the caller handles it, not the GUI";
}

} // namespace
} // namespace tavrin::testing
