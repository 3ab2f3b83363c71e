// The event thread and the dispatch of line events through a virtual device: event masks,
// the notifications of opening and closing, the handling of a batch, the receive rule, the
// three delivery methods with their error rules, and the end of the thread.

#include "base/Application.h"
#include "base/GuiQueue.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/Messages.h"
#include "serial/CPortThread.h"
#include "support/GuiPump.h"
#include "support/SharedTrace.h"
#include "support/ThreadCount.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tavrin {
namespace {

using namespace std::chrono_literals;
using testing::PumpUntil;
using testing::SettledThreadCount;
using testing::SharedTrace;
using testing::ThreadCount;
using testing::Trace;
using testing::VirtualPort;
using win::virt::Call;

// ---- Helpers -----------------------------------------------------------------------------

bool WakeReadable(int timeoutMs) {
    pollfd fd{gui_queue::WakeDescriptor(), POLLIN, 0};
    return poll(&fd, 1, timeoutMs) == 1;
}

std::string OnOff(const char* name, bool on) {
    return std::string(name) + (on ? "=1" : "=0");
}

// Records every notification of the port, and of one link, as text.
class EventFixture : public ::testing::Test {
protected:
    EventFixture() {
        Application::Instance().SetErrorHandler(
            [this](const std::string&, const std::string& message) { shown.Add(message); });
        TComPort& p = port();
        p.OnBeforeOpen = [this](TObject*) { trace.Add("BeforeOpen"); };
        p.OnAfterOpen = [this](TObject*) { trace.Add("AfterOpen"); };
        p.OnBeforeClose = [this](TObject*) { trace.Add("BeforeClose"); };
        p.OnAfterClose = [this](TObject*) { trace.Add("AfterClose"); };
        p.OnRxChar = [this](TObject*, std::int32_t n) {
            trace.Add("RxChar " + std::to_string(n));
            if (readInRxChar) {
                std::string text;
                port().ReadText(text, n);
                trace.Add("read " + text);
            }
        };
        p.OnRxBuf = [this](TObject*, const void* b, std::int32_t n) {
            trace.Add("RxBuf " + std::string(static_cast<const char*>(b), n));
        };
        p.OnTxEmpty = [this](TObject*) { trace.Add("TxEmpty"); };
        p.OnBreak = [this](TObject*) { trace.Add("Break"); };
        p.OnRing = [this](TObject*) { trace.Add("Ring"); };
        p.OnRxFlag = [this](TObject*) { trace.Add("RxFlag"); };
        p.OnRx80Full = [this](TObject*) { trace.Add("Rx80Full"); };
        p.OnCTSChange = [this](TObject*, bool on) { trace.Add(OnOff("CTS", on)); };
        p.OnDSRChange = [this](TObject*, bool on) { trace.Add(OnOff("DSR", on)); };
        p.OnRLSDChange = [this](TObject*, bool on) { trace.Add(OnOff("RLSD", on)); };
        p.OnError = [this](TObject*, TComErrors e) {
            trace.Add("Error " + std::to_string(e.ToBits()));
        };
        link.OnConn = [this](TObject*, bool on) { trace.Add(OnOff("link.Conn", on)); };
        link.OnCTSChange = [this](TObject*, bool on) { trace.Add(OnOff("link.CTS", on)); };
        link.OnDSRChange = [this](TObject*, bool on) { trace.Add(OnOff("link.DSR", on)); };
        link.OnRLSDChange = [this](TObject*, bool on) { trace.Add(OnOff("link.RLSD", on)); };
        link.OnRx = [this](TObject*, bool on) { trace.Add(OnOff("link.Rx", on)); };
        p.AttachLink(&link);
    }
    ~EventFixture() override {
        port().ClosePort();
        port().DetachLink(&link);
        Application::Instance().SetErrorHandler(nullptr);
    }

    TComPort& port() { return vp.Port(); }
    win::virt::VirtualDevice& device() { return vp.Device(); }

    // Opens the port and waits until its event thread has a wait pending, so that what the
    // test does next reaches the thread as a batch of its own.
    void OpenAndArm(TSyncMethod method) {
        port().SetSyncMethod(method);
        port().OpenPort();
        trace.Clear();
    }

    // Makes the event thread deliver one TxEmpty and leaves it blocked in that delivery
    // (smThreadSync, smWindowSync): whatever the device reports meanwhile comes back as
    // one batch with the next wait.
    void HoldThreadInDelivery() {
        gui_queue::RunPending(); // quiet descriptor: only this delivery may wake it
        device().TxEmpty();
        ASSERT_TRUE(WakeReadable(10000)) << "the delivery never reached the GUI thread";
    }

    VirtualPort vp;
    TComLink link;
    SharedTrace trace;
    SharedTrace shown; // what the application's default error handling showed
    bool readInRxChar = false;
};

// ---- Event masks -------------------------------------------------------------------------

TEST(EventMask, ConvertsElementByElement) {
    struct Row {
        const char* name;
        TComEvents events;
        win::DWORD mask;
    };
    const Row rows[] = {
        {"all ten events", AllComEvents, 1535},
        {"none", {}, 0},
        {"character and DSR", {evRxChar, evDSR}, 1 + 16},
        {"receive flag", {evRxFlag}, 2},
        {"output empty", {evTxEmpty}, 4},
        {"ring", {evRing}, 256},
        {"break", {evBreak}, 64},
        {"CTS", {evCTS}, 8},
        {"error", {evError}, 128},
        {"RLSD", {evRLSD}, 32},
        {"80 percent full", {evRx80Full}, 1024},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EventsToMask(row.events), row.mask);
        EXPECT_EQ(MaskToEvents(row.mask), row.events);
    }
    EXPECT_TRUE(MaskToEvents(win::EV_PERR).Empty()) << "bits outside the table are ignored";
    EXPECT_EQ(MaskToEvents(0xFFFFFFFF), AllComEvents);
}

// ---- Opening and closing -----------------------------------------------------------------

class OpenClose : public EventFixture, public ::testing::WithParamInterface<TSyncMethod> {};

TEST_P(OpenClose, LinksHearFirstAndTheLinesAreReportedBeforeOpenPortReturns) {
    const std::size_t threadsBefore = ThreadCount();
    port().SetSyncMethod(GetParam());
    device().SetDSR(true);
    std::thread::id notifiedOn;
    port().OnDSRChange = [&](TObject*, bool on) {
        notifiedOn = std::this_thread::get_id();
        trace.Add(OnOff("DSR", on) + (port().Connected() ? " open" : " closed"));
    };

    port().OpenPort();
    EXPECT_TRUE(port().ThreadCreated());
    EXPECT_EQ(trace.Items(), (Trace{"BeforeOpen", "link.Conn=1", "AfterOpen", "link.CTS=0", "CTS=0",
                                    "link.DSR=1", "DSR=1 open", "link.RLSD=0", "RLSD=0"}));
    EXPECT_EQ(notifiedOn, std::this_thread::get_id());

    trace.Clear();
    port().ClosePort();
    EXPECT_EQ(trace.Items(),
              (Trace{"link.CTS=0", "link.DSR=0", "link.RLSD=0", "CTS=0", "DSR=0 open", "RLSD=0",
                     "BeforeClose", "link.Conn=0", "AfterClose"}))
        << "DSR is still on at the device, yet reported off while the port is still open";
    EXPECT_FALSE(port().ThreadCreated());
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore)
        << "no thread may outlive ClosePort";
}

INSTANTIATE_TEST_SUITE_P(EveryDeliveryMethod, OpenClose,
                         ::testing::Values(smThreadSync, smWindowSync, smNone));

TEST_F(EventFixture, WithoutEventsNoThreadRunsButTheLinesAreStillReported) {
    const std::size_t threadsBefore = ThreadCount();
    port().SetEvents({});
    device().SetDSR(true);
    port().OpenPort();
    EXPECT_FALSE(port().ThreadCreated());
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore);
    EXPECT_TRUE(trace.Contains("DSR=1"));
    port().ClosePort();
    EXPECT_TRUE(trace.Contains("DSR=0"));
    EXPECT_TRUE(vp.EntriesOf(Call::WaitCommEvent).empty());
    EXPECT_TRUE(vp.EntriesOf(Call::SetCommMask).empty());
}

TEST_F(EventFixture, ThreadSetsTheMaskFromEventsAndClearsItAtTheEnd) {
    port().SetEvents({evRxChar, evDSR});
    port().OpenPort();
    EXPECT_EQ(device().EventMask(), 17u);
    port().SetEvents(AllComEvents);
    EXPECT_EQ(device().EventMask(), 17u) << "the running thread keeps the events it began with";
    device().ClearJournal();
    port().ClosePort();
    auto masks = vp.EntriesOf(Call::SetCommMask);
    ASSERT_FALSE(masks.empty());
    EXPECT_EQ(masks.front().arg1, 0u);
    auto purges = vp.EntriesOf(Call::PurgeComm);
    ASSERT_EQ(purges.size(), 2u);
    EXPECT_EQ(purges[0].arg1, 3u) << "transfers are aborted first";
    EXPECT_EQ(purges[1].arg1, 12u) << "then the thread empties the buffers as it ends";
}

// ---- One batch ---------------------------------------------------------------------------

TEST_F(EventFixture, BatchRunsErrorFirstAndReceivedCharactersBeforeLineChanges) {
    OpenAndArm(smThreadSync);
    HoldThreadInDelivery();
    device().SetDSR(true);
    device().Inject("abc");
    device().InjectErrors(win::CE_FRAME);
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("DSR=1"); }));
    EXPECT_EQ(trace.Items(),
              (Trace{"TxEmpty", "Error 1", "link.Rx=1", "RxChar 3", "link.DSR=1", "DSR=1"}))
        << "one OnRxChar for the batch, with every waiting character counted";
}

TEST_F(EventFixture, ErrorEventWithoutErrorsFiresNothing) {
    OpenAndArm(smThreadSync);
    HoldThreadInDelivery();
    device().InjectErrors(win::CE_OVERRUN);
    port().ReadLineErrors(); // takes the driver's flags before the batch is handled
    device().SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("CTS=1"); }));
    EXPECT_EQ(trace.Items(), (Trace{"TxEmpty", "link.CTS=1", "CTS=1"}));
}

// Counting the queue clears the driver's error flags as well: errors that arrived with the
// characters must still reach OnError in the batch that carries them, whoever counted.
struct CountedFirst {
    const char* name;
    std::function<void(TComPort&)> count;
    const char* delivered; // what OnRxChar is told of then
};

void PrintTo(const CountedFirst& c, std::ostream* os) {
    *os << c.name;
}

class LineErrorsCountedFirst : public EventFixture,
                               public ::testing::WithParamInterface<CountedFirst> {};

TEST_P(LineErrorsCountedFirst, StillReachOnErrorWithTheirCharacters) {
    OpenAndArm(smThreadSync);
    HoldThreadInDelivery();
    device().Inject("ab");
    device().InjectErrors(win::CE_FRAME | win::CE_OVERRUN);
    GetParam().count(port());
    const std::string delivered = GetParam().delivered;
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains(delivered); }));
    const std::string errors = "Error " + std::to_string(TComErrors{errFrame, errOverrun}.ToBits());
    EXPECT_EQ(trace.Items(), (Trace{"TxEmpty", errors, "link.Rx=1", delivered}));
    // Told once: a later error event brings only what came after.
    trace.Clear();
    device().InjectErrors(win::CE_BREAK);
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("Break"); }));
    EXPECT_FALSE(trace.Contains(errors));
}

INSTANTIATE_TEST_SUITE_P(Events, LineErrorsCountedFirst,
                         ::testing::Values(CountedFirst{"ByTheProgram",
                                                        [](TComPort& port) {
                                                            EXPECT_EQ(port.InputQueueCount(), 2);
                                                        },
                                                        "RxChar 2"},
                                           CountedFirst{"ByAReadOfPartOfThem",
                                                        [](TComPort& port) {
                                                            std::string text;
                                                            EXPECT_EQ(port.ReadText(text, 1), 1);
                                                        },
                                                        "RxChar 1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventFixture, ReadingInTheHandlerEmptiesTheQueueAndTellsTheLinks) {
    readInRxChar = true;
    OpenAndArm(smThreadSync);
    device().Inject("hi");
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("read hi"); }));
    EXPECT_EQ(trace.Items(), (Trace{"link.Rx=1", "RxChar 2", "link.Rx=0", "read hi"}));
}

TEST_F(EventFixture, BufferTakingLinksGetOneReadInsteadOfOnRxChar) {
    TComLink first, plain, second;
    const void* firstBlock = nullptr;
    const void* secondBlock = nullptr;
    first.OnRxBuf = [&](TObject*, const void* b, std::int32_t n) {
        firstBlock = b;
        trace.Add("first " + std::string(static_cast<const char*>(b), n));
    };
    second.OnRxBuf = [&](TObject*, const void* b, std::int32_t n) {
        secondBlock = b;
        trace.Add("second " + std::string(static_cast<const char*>(b), n));
    };
    port().AttachLink(&first);
    port().AttachLink(&plain);
    port().AttachLink(&second);
    OpenAndArm(smThreadSync);

    device().Inject("hello");
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("second hello"); }));
    EXPECT_EQ(trace.Items(),
              (Trace{"link.Rx=1", "link.Rx=0", "RxBuf hello", "first hello", "second hello"}));
    EXPECT_EQ(firstBlock, secondBlock) << "one block for every link";
    EXPECT_EQ(device().QueuedInput(), 0u);
    EXPECT_EQ(vp.EntriesOf(Call::ReadFile).size(), 1u);

    port().DetachLink(&first);
    port().DetachLink(&second);
    trace.Clear();
    device().Inject("x");
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("RxChar 1"); }));
    EXPECT_FALSE(trace.Contains("RxBuf x"));
    port().DetachLink(&plain);
}

// ---- smThreadSync ------------------------------------------------------------------------

// A handler's error is shown and the port goes on telling what arrives, by every method: a
// port that went quiet while still Connected would lose what the device sends from then on.
TEST_F(EventFixture, HandlerErrorIsShownAndDeliveryGoesOn) {
    for (TSyncMethod method : {smThreadSync, smWindowSync, smNone}) {
        SCOPED_TRACE(static_cast<int>(method));
        OpenAndArm(method);
        shown.Clear();
        std::atomic<int> calls{0};
        port().OnRxChar = [&](TObject*, std::int32_t n) {
            std::string text;
            port().ReadText(text, n);
            if (++calls == 1)
                throw std::runtime_error("handler failed");
            trace.Add("read " + text);
        };
        device().Inject("a");
        auto arrived = [&](const char* what) {
            if (method == smNone)
                return trace.WaitFor(what);
            return PumpUntil([&] { return trace.Contains(what); });
        };
        ASSERT_TRUE(PumpUntil([&] { return !shown.Items().empty(); }));
        EXPECT_EQ(shown.Items(), Trace{"handler failed"});
        device().Inject("b");
        ASSERT_TRUE(arrived("read b")) << "the port went quiet after the error";
        device().SetCTS(true);
        ASSERT_TRUE(arrived("CTS=1"));
        EXPECT_TRUE(port().Connected());
        port().ClosePort();
        EXPECT_TRUE(trace.Contains("BeforeClose"));
        device().SetCTS(false);
        device().ClearJournal();
    }
}

// A handler closes the port while more data arrives. The thread it lets go must see the stop
// before it can wait again: otherwise the close, serving the thread while it waits for its
// end, runs the next delivery and calls the handler again from inside its own ClosePort.
TEST_F(EventFixture, ThreadSyncCloseInsideOnRxCharNeverReentersIt) {
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        OpenAndArm(smThreadSync);
        int depth = 0;
        int reentered = 0;
        port().OnRxChar = [&](TObject*, std::int32_t) {
            if (++depth > 1)
                ++reentered;
            device().Inject("more");
            port().ClosePort();
            --depth;
        };
        device().Inject("x");
        ASSERT_TRUE(PumpUntil([&] { return !port().Connected(); }));
        ASSERT_EQ(reentered, 0) << "OnRxChar ran inside its own ClosePort";
    }
}

TEST_F(EventFixture, ClosingWhileADeliveryWaitsNeverDeadlocks) {
    readInRxChar = true;
    for (TSyncMethod method : {smThreadSync, smWindowSync}) {
        port().SetSyncMethod(method);
        for (int round = 0; round < 100; ++round) {
            SCOPED_TRACE(round);
            port().OpenPort();
            gui_queue::RunPending(); // leaves the wake descriptor quiet
            trace.Clear();
            device().Inject("xy");
            // Every other round closes at once, racing the delivery.
            const bool waiting = round % 2 == 0;
            if (waiting) {
                ASSERT_TRUE(WakeReadable(10000));
            }
            port().ClosePort();
            EXPECT_FALSE(port().Connected());
            // Under smWindowSync the thread goes on (and empties the buffers) as soon as the
            // handler has replied, so only the synchronous call's reading is certain.
            if (waiting && method == smThreadSync) {
                EXPECT_TRUE(trace.Contains("read xy")) << "the waiting delivery was served";
            }
        }
    }
}

// ---- smWindowSync ------------------------------------------------------------------------

TEST_F(EventFixture, WindowSyncSendsOneMessagePerEventInOrder) {
    OpenAndArm(smWindowSync);
    HoldThreadInDelivery();
    device().SetRLSD(true);
    device().Ring();
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("RLSD=1"); }));
    EXPECT_EQ(trace.Items(), (Trace{"TxEmpty", "Ring", "link.RLSD=1", "RLSD=1"}));
}

TEST_F(EventFixture, WindowSyncShowsAnErrorAndDeliversTheRest) {
    OpenAndArm(smWindowSync);
    port().OnRing = [](TObject*) { throw EComPort(CError_ModemStatFailed); };
    HoldThreadInDelivery();
    device().Ring();
    device().SetRLSD(true);
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("RLSD=1"); }));
    EXPECT_EQ(shown.Items(), Trace{"GetCommModemStatus function failed"});
    device().SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return trace.Contains("CTS=1"); })) << "later events arrive";
}

TEST_F(EventFixture, WindowIgnoresEventsOnceThePortIsClosed) {
    port().SetEvents({}); // no thread: the test sends the messages itself
    NotificationWindow window(&port());
    gui_queue::RunPending(); // quiet descriptor to start with
    std::future<win::LRESULT> pending = std::async(std::launch::async, [&] {
        return win::SendMessageA(window.Handle(), CM_COMEVENT, win::EV_RING, 0);
    });
    ASSERT_TRUE(WakeReadable(10000));
    EXPECT_TRUE(gui_queue::RunPending());
    ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(trace.Contains("Ring")) << "closed port: the message is dropped";

    port().OpenPort();
    trace.Clear();
    EXPECT_EQ(win::SendMessageA(window.Handle(), CM_COMEVENT, win::EV_RING, 0), 0);
    EXPECT_EQ(win::SendMessageA(window.Handle(), CM_COMEVENT, 3, 0), 0) << "not an event bit";
    EXPECT_EQ(win::SendMessageA(window.Handle(), win::WM_USER + 2, win::EV_RING, 0), 0);
    EXPECT_EQ(trace.Items(), Trace{"Ring"});
}

// ---- smNone ------------------------------------------------------------------------------

TEST_F(EventFixture, NoSyncRunsNotificationsOnTheEventThread) {
    std::promise<std::thread::id> notifiedOn;
    port().OnRxChar = [&](TObject*, std::int32_t) {
        notifiedOn.set_value(std::this_thread::get_id());
    };
    OpenAndArm(smNone);
    device().Inject("z");
    auto on = notifiedOn.get_future();
    ASSERT_EQ(on.wait_for(10s), std::future_status::ready);
    EXPECT_NE(on.get(), std::this_thread::get_id());
}

// A handler that closes and reopens the port, again and again, while data keeps coming. The
// new event thread's first delivery waits until the handler that started it has returned,
// and every thread and handle of the closed ports goes.
TEST_F(EventFixture, NoSyncReopenInsideOnRxCharNeverRunsTwoHandlersAtOnce) {
    constexpr int kCycles = 300;
    port().SetSyncMethod(smNone);
    port().DetachLink(&link);
    const std::size_t threadsBefore = ThreadCount();
    const std::size_t handlesBefore = win::handles::OpenCount();
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> cycles{0};
    std::promise<void> done;
    port().OnRxChar = [&](TObject*, std::int32_t n) {
        if (inside.fetch_add(1) != 0)
            ++overlaps;
        std::string text;
        port().ReadText(text, n);
        if (++cycles <= kCycles) {
            port().ClosePort();
            port().OpenPort();
            device().Inject("next"); // for the new thread, while this handler still runs
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        } else if (cycles == kCycles + 1) {
            done.set_value();
        }
        inside.fetch_sub(1);
    };
    port().OpenPort();
    device().Inject("go");
    ASSERT_EQ(done.get_future().wait_for(60s), std::future_status::ready);
    port().ClosePort();
    EXPECT_EQ(overlaps.load(), 0) << "two handlers of one port ran at once";
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore) << "event threads left behind";
    EXPECT_EQ(win::handles::OpenCount(), handlesBefore) << "handles left behind";
    port().AttachLink(&link);
}

// ---- Errors in a delivery, by method -----------------------------------------------------

// A query inside the handling fails (ReadSignals, error 11) and, in another round, a
// handler raises: by every method the error is shown and later events still arrive.
TEST_F(EventFixture, DeliveryErrorsAreShownAndDeliveryGoesOn) {
    struct Row {
        const char* name;
        TSyncMethod method;
        bool queryFails; // else the CTS handler raises
    };
    const Row rows[] = {
        {"thread sync, query", smThreadSync, true}, {"thread sync, handler", smThreadSync, false},
        {"window sync, query", smWindowSync, true}, {"window sync, handler", smWindowSync, false},
        {"no sync, query", smNone, true},           {"no sync, handler", smNone, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        port().SetSyncMethod(row.method);
        port().OpenPort();
        trace.Clear();
        shown.Clear();
        port().OnCTSChange = [&](TObject*, bool on) {
            trace.Add(OnOff("CTS", on));
            if (!row.queryFails && on)
                throw EComPort(CError_ModemStatFailed);
        };
        if (row.queryFails)
            device().FailNext(Call::GetCommModemStatus, win::ERROR_GEN_FAILURE);
        device().SetCTS(true);
        ASSERT_TRUE(PumpUntil([&] { return !shown.Items().empty(); }));
        EXPECT_EQ(shown.Items(),
                  Trace{row.queryFails ? "GetCommModemStatus function failed (win error code: 31)"
                                       : "GetCommModemStatus function failed"});
        device().Inject("after");
        if (row.method == smNone) {
            ASSERT_TRUE(trace.WaitFor("RxChar 5"));
        } else {
            ASSERT_TRUE(PumpUntil([&] { return trace.Contains("RxChar 5"); }));
        }
        port().ClosePort();
        device().SetCTS(false);
        device().ClearJournal();
    }
}

// ---- The end of the thread ---------------------------------------------------------------

TEST_F(EventFixture, UnpluggedDeviceEndsTheLoopInsteadOfWaitingAgainForever) {
    // A port of its own, whose event thread the test runs itself so that it can wait for
    // the thread's end.
    TComPort other;
    other.SetPort(vp.Name());
    other.SetSyncMethod(smNone);
    other.SetEvents({});
    other.OnTxEmpty = [&](TObject*) { trace.Add("TxEmpty"); };
    other.OpenPort();
    other.SetEvents(AllComEvents);
    auto thread = std::make_unique<TComThread>(&other);
    device().TxEmpty(); // once this is delivered, the next wait is the one the unplug ends
    ASSERT_TRUE(trace.WaitFor("TxEmpty"));
    device().Unplug();
    auto ended = std::async(std::launch::async, [&] { return thread->WaitFor(); });
    ASSERT_EQ(ended.wait_for(10s), std::future_status::ready) << "the loop kept waiting";
    EXPECT_LE(device().WaitCommEventCalls(), 3u)
        << "two waits before the unplug, at most one refused after it";
    thread.reset();
    other.ClosePort();
    EXPECT_FALSE(other.Connected());
}

TEST_F(EventFixture, PortWhoseDeviceWasUnpluggedClosesWithoutLeavingItsThread) {
    const std::size_t threadsBefore = ThreadCount();
    OpenAndArm(smThreadSync);
    device().Unplug();
    port().ClosePort();
    EXPECT_FALSE(port().Connected());
    EXPECT_FALSE(port().ThreadCreated());
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore);
    device().Replug();
}

TEST_F(EventFixture, DestroyingAnOpenPortLeavesNoThread) {
    const std::size_t threadsBefore = ThreadCount();
    {
        TComPort other;
        other.SetSyncMethod(smWindowSync);
        other.SetPort(vp.Name());
        other.OpenPort();
        EXPECT_GT(ThreadCount(), threadsBefore);
        device().Inject("pending at destruction");
    }
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore);
}

} // namespace
} // namespace tavrin
