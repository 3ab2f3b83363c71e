#include "platform/winapi/Messages.h"
#include "platform/winapi/Sync.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace win;
using namespace std::chrono_literals;

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

// Delivers the calling thread's sent messages until `done` holds or the deadline passes;
// it only wakes when a message is signalled.
template <class Done> bool DeliverUntil(Done done, std::chrono::milliseconds limit = 10s) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (Readable(SentMessageDescriptor(), static_cast<int>(left.count())))
            DeliverSentMessages();
    }
    return true;
}

// Every test starts with a quiet descriptor: one left readable by an earlier test would
// make the first wait return before anything was sent.
class MessageWindow : public ::testing::Test {
protected:
    void SetUp() override { DeliverSentMessages(); }
};

TEST_F(MessageWindow, SameThreadSendCallsTheHandlerAtOnce) {
    BOOL inSend = TRUE;
    HWND window = CreateMessageWindow([&](HWND, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        inSend = InSendMessage();
        return static_cast<LRESULT>(message + w + static_cast<WPARAM>(l));
    });
    EXPECT_EQ(SendMessageA(window, WM_USER, 2, 3), WM_USER + 5);
    EXPECT_FALSE(inSend);
    EXPECT_FALSE(ReplyMessage(1)) << "nobody waits for a same-thread message";
    EXPECT_TRUE(DestroyWindow(window));
}

TEST_F(MessageWindow, CrossThreadSendRunsOnTheOwnerAndBlocksTheSenderUntilHandled) {
    std::thread::id handledOn;
    BOOL inSend = FALSE;
    HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
        handledOn = std::this_thread::get_id();
        inSend = InSendMessage();
        return static_cast<LRESULT>(w + 1);
    });
    auto result =
        std::async(std::launch::async, [&] { return SendMessageA(window, WM_USER, 41, 0); });
    ASSERT_TRUE(Readable(SentMessageDescriptor(), 10000)) << "a waiting message wakes the owner";
    EXPECT_EQ(result.wait_for(0s), std::future_status::timeout) << "the sender waits for the owner";
    EXPECT_TRUE(DeliverSentMessages());
    EXPECT_EQ(result.get(), 42);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    EXPECT_TRUE(inSend);
    EXPECT_FALSE(DeliverSentMessages());
    EXPECT_FALSE(Readable(SentMessageDescriptor(), 0));
    DestroyWindow(window);
}

TEST_F(MessageWindow, ReplyMessageReleasesTheSenderBeforeTheHandlerEnds) {
    std::promise<LRESULT> senderGot;
    auto got = senderGot.get_future();
    BOOL firstReply = FALSE;
    BOOL secondReply = TRUE;
    bool senderDoneWhileHandling = false;
    HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        firstReply = ReplyMessage(7);
        secondReply = ReplyMessage(8);
        // Still inside the handler: the sender must already have its answer.
        senderDoneWhileHandling = got.wait_for(10s) == std::future_status::ready;
        EXPECT_TRUE(InSendMessage()) << "still handling a sent message after the reply";
        return 99;
    });
    std::thread sender([&] { senderGot.set_value(SendMessageA(window, WM_USER, 0, 0)); });
    ASSERT_TRUE(DeliverUntil([&] { return senderDoneWhileHandling; }));
    sender.join();
    EXPECT_TRUE(firstReply);
    EXPECT_FALSE(secondReply);
    EXPECT_EQ(got.get(), 7);
    EXPECT_FALSE(InSendMessage());
    DestroyWindow(window);
}

TEST_F(MessageWindow, MessagesAreHandledInTheOrderTheyWereSent) {
    std::vector<WPARAM> order;
    HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
        order.push_back(w);
        return 0;
    });
    std::thread sender([&] {
        for (WPARAM w = 1; w <= 5; ++w)
            SendMessageA(window, WM_USER, w, 0);
    });
    ASSERT_TRUE(DeliverUntil([&] { return order.size() == 5; }));
    sender.join();
    EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3, 4, 5}));
    DestroyWindow(window);
}

TEST_F(MessageWindow, HandlerErrorPassesOnAndReleasesItsSender) {
    int handled = 0;
    HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
        ++handled;
        if (w == 1)
            throw std::runtime_error("handler failed");
        return 5;
    });
    auto failing =
        std::async(std::launch::async, [&] { return SendMessageA(window, WM_USER, 1, 0); });
    ASSERT_TRUE(Readable(SentMessageDescriptor(), 10000));
    EXPECT_THROW(DeliverSentMessages(), std::runtime_error);
    EXPECT_EQ(failing.get(), 0) << "the sender of a failed message gets 0, not a hang";
    auto next = std::async(std::launch::async, [&] { return SendMessageA(window, WM_USER, 2, 0); });
    ASSERT_TRUE(DeliverUntil([&] { return handled == 2; }));
    EXPECT_EQ(next.get(), 5);
    EXPECT_EQ(handled, 2);
    DestroyWindow(window);
}

TEST_F(MessageWindow, DestroyedWindowReleasesWaitingSendersAndRefusesNewOnes) {
    bool handled = false;
    HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        handled = true;
        return 1;
    });
    auto waiting =
        std::async(std::launch::async, [&] { return SendMessageA(window, WM_USER, 0, 0); });
    ASSERT_TRUE(Readable(SentMessageDescriptor(), 10000));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(waiting.get(), 0);
    DeliverSentMessages();
    EXPECT_FALSE(handled);

    SetLastError(0);
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageWindow, OnlyTheOwnerMayDestroyAWindow) {
    HWND window = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread other([&] {
        destroyed = DestroyWindow(window);
        error = GetLastError();
    });
    other.join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DestroyWindow(window));
}

TEST_F(MessageWindow, SendersOfAThreadThatEndsAreReleased) {
    std::promise<HWND> created;
    std::promise<void> messageQueued;
    std::thread owner([&] {
        HWND window = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 1; });
        created.set_value(window);
        // Ends without ever taking its messages, once one is waiting.
        Readable(SentMessageDescriptor(), 10000);
        messageQueued.set_value();
    });
    HWND window = created.get_future().get();
    auto sent = std::async(std::launch::async, [&] { return SendMessageA(window, WM_USER, 0, 0); });
    messageQueued.get_future().wait();
    owner.join();
    ASSERT_EQ(sent.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(sent.get(), 0);
    SetLastError(0);
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageWindow, OtherMessagesFallToTheDefaultProcedure) {
    EXPECT_EQ(DefWindowProcA(nullptr, WM_NULL, 1, 2), 0);
}

} // namespace
