#include "base/Thread.h"
#include "base/GuiQueue.h"
#include "platform/winapi/Messages.h"
#include "support/GuiPump.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using namespace tavrin;
using namespace std::chrono_literals;
using tavrin::testing::PumpUntil;

// A flag one thread raises and another waits for, with a deadline so a fault fails the test
// instead of hanging it.
class Latch {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool Wait(std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return open_; });
    }
    bool IsOpen() {
        std::lock_guard lock(mutex_);
        return open_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// A thread whose body is given by the test.
class LambdaThread : public TThread {
public:
    explicit LambdaThread(std::function<void(LambdaThread&)> body, bool suspended = true)
        : TThread(true), body_(std::move(body)) {
        if (!suspended)
            Resume();
    }
    ~LambdaThread() override { TerminateAndWait(); }
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(LambdaThread&)> body_;
};

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui_queue::SetGuiThread();
        ASSERT_TRUE(gui_queue::IsGuiThread()) << "the test thread plays the GUI thread";
    }
};

TEST_F(ThreadTest, SuspendedThreadRunsOnlyOnceResumedAndWaitForGivesItsResult) {
    Latch ran;
    LambdaThread thread([&](LambdaThread& self) {
        ran.Open();
        self.SetReturnValue(42);
    });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_FALSE(ran.IsOpen());
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_TRUE(ran.IsOpen());
    EXPECT_TRUE(thread.Finished());
    EXPECT_FALSE(thread.Suspended());
    EXPECT_EQ(thread.WaitFor(), 42) << "waiting again for an ended thread returns at once";
}

TEST_F(ThreadTest, TerminateIsARequestTheBodyReads) {
    Latch go;
    bool seen = false;
    LambdaThread thread(
        [&](LambdaThread& self) {
            go.Wait();
            seen = self.Terminated();
        },
        false);
    EXPECT_FALSE(thread.Terminated());
    thread.Terminate();
    go.Open();
    thread.WaitFor();
    EXPECT_TRUE(seen);
}

TEST_F(ThreadTest, DestroyingASuspendedThreadRunsItsBodyWithTheTerminateRequestSet) {
    bool ran = false;
    bool terminated = false;
    {
        LambdaThread thread([&](LambdaThread& self) {
            ran = true;
            terminated = self.Terminated();
        });
    }
    EXPECT_TRUE(ran);
    EXPECT_TRUE(terminated);
}

TEST_F(ThreadTest, ErrorLeavingTheBodyEndsTheThreadAndIsKept) {
    LambdaThread thread([](LambdaThread&) { throw Exception("broken"); }, false);
    thread.WaitFor();
    ASSERT_TRUE(thread.FatalException());
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "broken");
    }
}

TEST_F(ThreadTest, WaitForFromTheThreadItselfIsRefused) {
    bool refused = false;
    LambdaThread thread(
        [&](LambdaThread& self) {
            try {
                self.WaitFor();
            } catch (const EThread&) {
                refused = true;
            }
        },
        false);
    thread.WaitFor();
    EXPECT_TRUE(refused);
}

TEST_F(ThreadTest, PriorityBelowNormalReachesTheRunningThread) {
    errno = 0;
    int base = getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    int nice = -100;
    LambdaThread thread([&](LambdaThread&) { nice = getpriority(PRIO_PROCESS, 0); });
    thread.SetPriority(tpLowest);
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(thread.Priority(), tpLowest);
    EXPECT_EQ(nice, std::min(base + 10, 19));
}

TEST_F(ThreadTest, SynchronizeRunsOnTheGuiThreadWhileWaitForServesIt) {
    std::thread::id ranOn;
    LambdaThread thread(
        [&](LambdaThread& self) { self.Synchronize([&] { ranOn = std::this_thread::get_id(); }); },
        false);
    thread.WaitFor(); // would never return if the waiting GUI thread did not serve the call
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadTest, SynchronizeHandsTheGuiThreadsErrorBackToTheCallingThread) {
    std::string caught;
    std::thread::id caughtOn;
    LambdaThread thread(
        [&](LambdaThread& self) {
            try {
                self.Synchronize([] { throw Exception("raised on the GUI thread"); });
            } catch (const Exception& e) {
                caught = e.Message();
                caughtOn = std::this_thread::get_id();
            }
        },
        false);
    thread.WaitFor();
    EXPECT_EQ(caught, "raised on the GUI thread");
    EXPECT_NE(caughtOn, std::this_thread::get_id());
}

TEST_F(ThreadTest, SynchronizeOnTheGuiThreadRunsAtOnce) {
    bool ran = false;
    gui_queue::Call([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, QueuedCallWakesTheDescriptorAndRunsOnlyInRunPending) {
    gui_queue::RunPending(); // quiet descriptor to start with
    Latch called;
    bool ran = false;
    LambdaThread thread(
        [&](LambdaThread& self) {
            self.Synchronize([&] { ran = true; });
            called.Open();
        },
        false);
    pollfd fd{gui_queue::WakeDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&fd, 1, 10000), 1) << "queued work must make the descriptor readable";
    EXPECT_FALSE(ran) << "nothing runs before the GUI thread takes its work";
    EXPECT_FALSE(called.IsOpen()) << "the calling thread blocks until its call has run";
    ASSERT_TRUE(PumpUntil([&] { return ran; }));
    EXPECT_TRUE(called.Wait());
    thread.WaitFor();
    EXPECT_FALSE(gui_queue::RunPending());
    fd.revents = 0;
    EXPECT_EQ(poll(&fd, 1, 0), 0) << "no work waits, so the descriptor is quiet";
}

TEST_F(ThreadTest, RunPendingElsewhereThanOnTheGuiThreadDoesNothing) {
    bool result = true;
    std::thread other([&] { result = gui_queue::RunPending(); });
    other.join();
    EXPECT_FALSE(result);
}

TEST_F(ThreadTest, GuiThreadReceivesSentMessagesInRunPendingAndWhileWaitingForAThread) {
    std::vector<win::WPARAM> received;
    win::HWND window = win::CreateMessageWindow(
        [&](win::HWND, win::UINT, win::WPARAM w, win::LPARAM) -> win::LRESULT {
            received.push_back(w);
            return static_cast<win::LRESULT>(w * 10);
        });
    win::LRESULT first = 0;
    win::LRESULT second = 0;
    Latch firstDone;
    LambdaThread thread(
        [&](LambdaThread&) {
            first = win::SendMessageA(window, win::WM_USER, 1, 0);
            firstDone.Open();
            second = win::SendMessageA(window, win::WM_USER, 2, 0);
        },
        false);
    ASSERT_TRUE(PumpUntil([&] { return firstDone.IsOpen(); }));
    thread.WaitFor(); // the second message arrives while the GUI thread waits here
    EXPECT_EQ(received, (std::vector<win::WPARAM>{1, 2}));
    EXPECT_EQ(first, 10);
    EXPECT_EQ(second, 20);
    win::DestroyWindow(window);
}

} // namespace
