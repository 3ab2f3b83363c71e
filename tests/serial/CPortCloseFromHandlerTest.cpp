// A handler that closes, reopens or destroys the port that is notifying it: on a reply such
// as "QUIT", or on DSR going off (the device was unplugged). Under every delivery method
// the port closes with its usual notices, the handler returns, the event thread ends
// without anyone waiting on anyone, and nothing of the batch or later reaches anybody.
// A deadlock ends the test program through a watchdog instead of hanging the suite.

#include "base/GuiQueue.h"
#include "platform/virtual/VirtualDevice.h"
#include "serial/CPort.h"
#include "support/GuiPump.h"
#include "support/SharedTrace.h"
#include "support/ThreadCount.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <future>
#include <memory>
#include <string>

namespace tavrin {
namespace {

using testing::PumpUntil;
using testing::SettledThreadCount;
using testing::SharedTrace;
using testing::ThreadCount;
using testing::Trace;
using testing::UniqueDeviceName;
using testing::Watchdog;
using win::virt::VirtualDevice;

enum class Action { Close, Reopen, Destroy };
enum class Trigger { RxChar, DsrOff };

const char* MethodName(TSyncMethod method) {
    switch (method) {
    case smThreadSync:
        return "smThreadSync";
    case smWindowSync:
        return "smWindowSync";
    default:
        return "smNone";
    }
}

// Two registered virtual devices, unregistered at the end; the second is where a reopen
// goes.
struct Devices {
    Devices()
        : name(UniqueDeviceName()), otherName(UniqueDeviceName()),
          first(VirtualDevice::Register(name)), other(VirtualDevice::Register(otherName)) {}
    ~Devices() {
        VirtualDevice::Unregister(name);
        VirtualDevice::Unregister(otherName);
    }
    std::string name, otherName;
    std::shared_ptr<VirtualDevice> first, other;
};

bool WakeReadable(int timeoutMs) {
    pollfd fd{gui_queue::WakeDescriptor(), POLLIN, 0};
    return poll(&fd, 1, timeoutMs) == 1;
}

// The entries after `from` (or none if it never came).
Trace After(const Trace& trace, const std::string& from) {
    auto it = std::find(trace.begin(), trace.end(), from);
    return it == trace.end() ? Trace{} : Trace(it + 1, trace.end());
}

class CloseFromHandler : public ::testing::TestWithParam<TSyncMethod> {};

TEST_P(CloseFromHandler, PortEndsCleanlyAndNothingIsDeliveredAfter) {
    const TSyncMethod method = GetParam();
    const struct Row {
        const char* name;
        Action action;
        Trigger trigger;
    } rows[] = {
        {"close from OnRxChar", Action::Close, Trigger::RxChar},
        {"close from OnDSRChange(false)", Action::Close, Trigger::DsrOff},
        {"reopen from OnRxChar", Action::Reopen, Trigger::RxChar},
        {"reopen from OnDSRChange(false)", Action::Reopen, Trigger::DsrOff},
        {"destroy from OnRxChar", Action::Destroy, Trigger::RxChar},
        {"destroy from OnDSRChange(false)", Action::Destroy, Trigger::DsrOff},
    };
    gui_queue::SetGuiThread();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Watchdog watchdog(std::string(row.name) + " under " + MethodName(method));
        Devices devices;
        devices.first->SetDSR(true);
        devices.other->SetDSR(true);
        const std::size_t threadsBefore = ThreadCount();

        SharedTrace trace;
        std::promise<void> gate; // smNone: holds the event thread in a delivery
        std::shared_future<void> gateOpen = gate.get_future().share();
        TComPort* port = new TComPort;
        bool acted = false;
        auto act = [&] {
            acted = true;
            trace.Add("acting");
            switch (row.action) {
            case Action::Close:
                port->ClosePort();
                break;
            case Action::Reopen:
                port->SetPort(devices.otherName);
                break;
            case Action::Destroy:
                delete std::exchange(port, nullptr);
                break;
            }
            trace.Add("returned");
        };
        port->SetPort(devices.name);
        port->SetSyncMethod(method);
        port->OnBeforeClose = [&](TObject*) { trace.Add("BeforeClose"); };
        port->OnAfterClose = [&](TObject*) { trace.Add("AfterClose"); };
        port->OnTxEmpty = [&](TObject*) {
            trace.Add("holding");
            if (method == smNone)
                gateOpen.wait();
        };
        port->OnRxChar = [&](TObject*, std::int32_t n) {
            trace.Add("RxChar " + std::to_string(n));
            if (row.trigger == Trigger::RxChar && !acted)
                act();
        };
        port->OnDSRChange = [&](TObject*, bool on) {
            trace.Add(on ? "DSR=1" : "DSR=0");
            if (row.trigger == Trigger::DsrOff && !on && !acted)
                act();
        };
        port->OnRing = [&](TObject*) { trace.Add("Ring"); };
        port->OnRLSDChange = [&](TObject*, bool on) { trace.Add(on ? "RLSD=1" : "RLSD=0"); };
        port->OpenPort();
        trace.Clear();

        // One batch with the trigger, and after it in the delivery order a ring and an RLSD
        // change that must never be delivered once the handler has acted.
        gui_queue::RunPending(); // quiet wake descriptor: only the held delivery may wake it
        devices.first->TxEmpty();
        if (method == smNone) {
            ASSERT_TRUE(trace.WaitFor("holding"));
        } else {
            ASSERT_TRUE(WakeReadable(10000)) << "the delivery never reached the GUI thread";
        }
        if (row.trigger == Trigger::RxChar)
            devices.first->Inject("QUIT");
        else
            devices.first->SetDSR(false);
        devices.first->Ring();
        devices.first->SetRLSD(true);
        gate.set_value();
        if (method == smNone) {
            ASSERT_TRUE(trace.WaitFor("returned"));
        } else {
            ASSERT_TRUE(PumpUntil([&] { return trace.Contains("returned"); }));
        }

        const std::size_t threadsLeft = row.action == Action::Reopen ? 1 : 0;
        EXPECT_EQ(SettledThreadCount(threadsBefore + threadsLeft), threadsBefore + threadsLeft)
            << "the old event thread has ended";
        // Whatever the old device says now reaches nobody.
        devices.first->Inject("late");
        devices.first->Ring();
        PumpUntil([] { return !gui_queue::RunPending(); });

        const Trace after = After(trace.Items(), "acting");
        EXPECT_NE(std::find(after.begin(), after.end(), "AfterClose"), after.end())
            << "the close notices came as usual";
        for (const char* late : {"Ring", "RLSD=1", "RxChar 4", "RxChar 8"}) {
            EXPECT_EQ(std::find(after.begin(), after.end(), late), after.end())
                << late << " was delivered after the close";
        }
        ASSERT_FALSE(after.empty());
        EXPECT_EQ(after.back(), "returned") << "nothing came after the handler returned";
        EXPECT_FALSE(devices.first->IsOpen());
        switch (row.action) {
        case Action::Close:
            EXPECT_FALSE(port->Connected());
            break;
        case Action::Reopen:
            EXPECT_TRUE(port->Connected());
            EXPECT_TRUE(devices.other->IsOpen());
            EXPECT_TRUE(port->ThreadCreated());
            break;
        case Action::Destroy:
            EXPECT_EQ(port, nullptr);
            break;
        }
        delete port;
        EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDeliveryMethod, CloseFromHandler,
                         ::testing::Values(smThreadSync, smWindowSync, smNone),
                         [](const auto& info) { return std::string(MethodName(info.param)); });

} // namespace
} // namespace tavrin
