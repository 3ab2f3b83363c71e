// A thread waiting on an event that offers a helper watches the helper's descriptor and
// serves it itself: what would otherwise need another thread to set the event is done by the
// waiter, and a helper that declines leaves an ordinary wait.

#include "platform/winapi/Event.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace win;

namespace {

// A pipe as the device: a byte in it is input; serving it reads the byte and signals the
// event, as a driver completing a wait would.
class PipeHelper : public WaitHelper {
public:
    PipeHelper(Event* event, bool accept) : event_(event), accept_(accept) {
        EXPECT_EQ(pipe(fds_), 0);
    }
    ~PipeHelper() override {
        close(fds_[0]);
        close(fds_[1]);
    }
    int Descriptor() override { return fds_[0]; }
    bool Serve() override {
        ++served;
        if (onServe)
            onServe();
        char byte;
        [[maybe_unused]] ssize_t n = read(fds_[0], &byte, 1);
        if (accept_)
            event_->Set();
        return accept_;
    }
    void Input() { [[maybe_unused]] ssize_t n = write(fds_[1], "x", 1); }

    std::atomic<int> served{0};
    std::function<void()> onServe;

private:
    Event* event_; // the test holds the event; the event holds this
    bool accept_;
    int fds_[2] = {-1, -1};
};

TEST(WaitHelper, TheWaitingThreadServesTheDeviceItself) {
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto event = handles::LookupAs<Event>(handle);
    auto helper = std::make_shared<PipeHelper>(event.get(), true);
    event->SetHelper(helper);
    helper->Input();
    // Nobody else sets the event: only serving the pipe ends this wait.
    EXPECT_EQ(WaitForSingleObject(handle, 10'000), WAIT_OBJECT_0);
    EXPECT_EQ(helper->served, 1);
    CloseHandle(handle);
}

TEST(WaitHelper, AHelperThatDeclinesLeavesAnOrdinaryWait) {
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto event = handles::LookupAs<Event>(handle);
    auto helper = std::make_shared<PipeHelper>(event.get(), false);
    event->SetHelper(helper);
    // Once the helper has declined, another thread sets the event: the waiter, no longer
    // watching the pipe, must still hear of it.
    std::thread setter;
    helper->onServe = [&] { setter = std::thread([&] { event->Set(); }); };
    helper->Input();
    EXPECT_EQ(WaitForSingleObject(handle, 10'000), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(helper->served, 1);
    CloseHandle(handle);
}

} // namespace
