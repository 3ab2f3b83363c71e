// The signal lamp's behaviour: its state with and without a port, following a port through
// its link, the ring timer, and the port or the lamp going away first.

#include "ComLedFixture.h"

#include <chrono>
#include <stdexcept>

namespace tavrin::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ComLedTest : public ComLedFixture {};

TEST_F(ComLedTest, NewLampIsAnUnboundDarkRedLampOf25By25) {
    EXPECT_EQ(lamp->size(), QSize(25, 25));
    EXPECT_EQ(lamp->ComPort(), nullptr);
    EXPECT_EQ(lamp->LedSignal(), lsConn);
    EXPECT_EQ(lamp->Kind(), lkRedLight);
    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_EQ(lamp->RingDuration(), 1000);
    // Nothing is loaded before the lamp is first painted.
    EXPECT_TRUE(lamp->GlyphOn().isNull());
    EXPECT_TRUE(lamp->GlyphOff().isNull());
}

TEST_F(ComLedTest, StateWrittenWithoutAPortFiresOnChangeEveryTimeEvenWhenUnchanged) {
    lamp->SetState(lsOn);
    EXPECT_EQ(lamp->State(), lsOn);
    lamp->SetState(lsOn);
    lamp->SetState(lsOff);

    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_EQ(changes, (std::vector{lsOn, lsOn, lsOff}));
}

TEST_F(ComLedTest, StateWrittenWhileBoundRaisesError19AndKeepsTheState) {
    for (bool open : {false, true}) {
        SCOPED_TRACE(open ? "open port" : "closed port");
        if (open)
            Port().OpenPort();
        lamp->SetComPort(&Port());
        const TLedState before = lamp->State();
        changes.clear();

        try {
            lamp->SetState(before == lsOn ? lsOff : lsOn);
            ADD_FAILURE() << "no error";
        } catch (const EComPort& error) {
            EXPECT_EQ(error.ErrorNumber(), 19);
            EXPECT_EQ(error.SystemError(), -1);
            EXPECT_STREQ(error.what(), "Cannot change led state if ComPort is selected");
        }
        EXPECT_EQ(lamp->State(), before);
        EXPECT_TRUE(changes.empty());
        lamp->SetComPort(nullptr);
    }
}

TEST_F(ComLedTest, ConnLampIsDarkUntilThePortOpensAndDarkAgainAfterItCloses) {
    lamp->SetComPort(&Port());
    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_TRUE(changes.empty());

    Port().OpenPort();
    EXPECT_EQ(lamp->State(), lsOn);

    Port().ClosePort();
    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_EQ(changes, (std::vector{lsOn, lsOff}));
}

struct BindRow {
    const char* name;
    TComLedSignal signal;
    bool cts, dsr, rlsd; // the lines the device asserts
    TLedState expected;
};

// The port told its links of its lines when it opened; a lamp bound later reads them.
TEST_F(ComLedTest, LampBoundToAnOpenPortTakesItsStateFromThePortAtOnce) {
    const BindRow rows[] = {
        {"conn is lit", lsConn, false, false, false, lsOn},
        {"DSR asserted", lsDSR, false, true, false, lsOn},
        {"DSR not asserted", lsDSR, true, false, true, lsOff},
        {"CTS asserted", lsCTS, true, false, false, lsOn},
        {"RLSD asserted", lsRLSD, false, false, true, lsOn},
        {"ring is dark", lsRing, true, true, true, lsOff},
        {"rx is dark", lsRx, true, true, true, lsOff},
        {"tx is dark", lsTx, true, true, true, lsOff},
    };
    for (const BindRow& row : rows) {
        SCOPED_TRACE(row.name);
        lamp.reset();
        device = std::make_unique<VirtualPort>();
        Line().SetCTS(row.cts);
        Line().SetDSR(row.dsr);
        Line().SetRLSD(row.rlsd);
        Port().OpenPort();
        lamp = NewLamp();
        lamp->SetLedSignal(row.signal);
        changes.clear();

        lamp->SetComPort(&Port());

        EXPECT_EQ(lamp->State(), row.expected);
        EXPECT_EQ(changes, std::vector{row.expected});
    }
}

TEST_F(ComLedTest, LampBoundToAClosedPortKeepsItsState) {
    lamp->SetState(lsOn);
    changes.clear();

    lamp->SetComPort(&Port());

    EXPECT_EQ(lamp->State(), lsOn);
    EXPECT_TRUE(changes.empty());
}

TEST_F(ComLedTest, DsrLampFollowsTheLineAndGoesDarkWhenThePortCloses) {
    lamp->SetLedSignal(lsDSR);
    lamp->SetComPort(&Port());
    Port().OpenPort();
    EXPECT_EQ(lamp->State(), lsOff);

    Line().SetDSR(true);
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOn; }));
    Line().SetDSR(false);
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOff; }));
    Line().SetDSR(true);
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOn; }));

    // The port reports the line off before it closes, whatever the device still shows.
    Port().ClosePort();
    EXPECT_EQ(lamp->State(), lsOff);
}

struct SignalRow {
    TComLedSignal signal;
    TLinkNotice notice;
};

// Every notice the port can send, each telling its slot "on".
void BroadcastEveryNoticeBut(TComPort& port, TLinkNotice except) {
    for (TLinkNotice notice : {lnConn, lnCTS, lnDSR, lnRLSD, lnRx, lnTx}) {
        if (notice != except)
            port.BroadcastSignal(notice, true);
    }
    for (TLinkNotice notice : {lnRing, lnTxEmpty, lnRxFlag}) {
        if (notice != except)
            port.BroadcastNotice(notice);
    }
}

TEST_F(ComLedTest, EachSignalLightsTheLampOnItsOwnNoticeOnly) {
    const SignalRow rows[] = {
        {lsConn, lnConn}, {lsCTS, lnCTS}, {lsDSR, lnDSR}, {lsRLSD, lnRLSD},
        {lsRing, lnRing}, {lsRx, lnRx},   {lsTx, lnTx},
    };
    for (const SignalRow& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.signal));
        lamp = NewLamp();
        lamp->SetLedSignal(row.signal);
        lamp->SetComPort(&Port());
        changes.clear();

        BroadcastEveryNoticeBut(Port(), row.notice);
        EXPECT_EQ(lamp->State(), lsOff);
        EXPECT_TRUE(changes.empty());

        if (row.notice == lnRing)
            Port().BroadcastNotice(lnRing);
        else
            Port().BroadcastSignal(row.notice, true);
        EXPECT_EQ(lamp->State(), lsOn);
        EXPECT_EQ(changes, std::vector{lsOn});
    }
}

TEST_F(ComLedTest, ChangingTheSignalKeepsTheStateUntilTheNewSignalsNotice) {
    lamp->SetComPort(&Port());
    Port().OpenPort();
    ASSERT_EQ(lamp->State(), lsOn);
    changes.clear();

    lamp->SetLedSignal(lsDSR);
    EXPECT_EQ(lamp->State(), lsOn);
    EXPECT_TRUE(changes.empty());

    Port().BroadcastSignal(lnConn, false); // no longer the lamp's slot
    EXPECT_EQ(lamp->State(), lsOn);
    Port().BroadcastSignal(lnDSR, false);
    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_EQ(changes, std::vector{lsOff});
}

TEST_F(ComLedTest, RingLightsTheLampForRingDurationThenItGoesDark) {
    lamp->SetLedSignal(lsRing);
    lamp->SetRingDuration(100);
    lamp->SetComPort(&Port());
    Port().OpenPort();

    Line().Ring();
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOn; }));
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOff; }));
    EXPECT_EQ(changes, (std::vector{lsOn, lsOff}));
}

// Rings at 0 and 600 ms with a duration of 1000 ms: dark about 1000 ms after the first ring.
// Had the second ring restarted the count, the lamp could not go dark before 1600 ms.
TEST_F(ComLedTest, LaterRingsOfABurstDoNotRestartTheCount) {
    lamp->SetLedSignal(lsRing);
    lamp->SetComPort(&Port());
    Clock::time_point darkAt{};
    lamp->OnChange = [&](TObject*, TLedState AState) {
        changes.push_back(AState);
        if (AState == lsOff)
            darkAt = Clock::now();
    };

    const Clock::time_point firstRing = Clock::now();
    Port().BroadcastNotice(lnRing);
    RunEventsFor(600);
    ASSERT_EQ(lamp->State(), lsOn);
    const Clock::time_point secondRing = Clock::now();
    Port().BroadcastNotice(lnRing);
    EXPECT_EQ(lamp->State(), lsOn);

    ASSERT_TRUE(WaitUntil([&] { return lamp->State() == lsOff; }));
    EXPECT_EQ(changes, (std::vector{lsOn, lsOn, lsOff}));
    // Timers may fire a little early; a restarted count still ends near secondRing + 1000.
    EXPECT_LT(darkAt - secondRing, 900ms);
    EXPECT_GE(darkAt - firstRing, 900ms);
    lamp.reset(); // its last OnChange must not reach the locals above
}

TEST_F(ComLedTest, NewRingDurationRestartsARunningCount) {
    lamp->SetLedSignal(lsRing);
    lamp->SetRingDuration(600'000);
    lamp->SetComPort(&Port());
    Port().BroadcastNotice(lnRing);
    ASSERT_EQ(lamp->State(), lsOn);

    lamp->SetRingDuration(20);

    EXPECT_EQ(lamp->RingDuration(), 20);
    EXPECT_TRUE(WaitUntil([&] { return lamp->State() == lsOff; }));
}

TEST_F(ComLedTest, RebindingMovesTheLampFromOnePortToTheOther) {
    VirtualPort other;
    lamp->SetComPort(&Port());
    lamp->SetComPort(&other.Port());
    ASSERT_EQ(lamp->ComPort(), &other.Port());

    Port().OpenPort(); // the first port no longer reaches the lamp
    EXPECT_EQ(lamp->State(), lsOff);
    other.Port().OpenPort();
    EXPECT_EQ(lamp->State(), lsOn);

    changes.clear();
    lamp->SetComPort(&other.Port()); // the same port again: nothing happens
    EXPECT_TRUE(changes.empty());
    lamp->SetComPort(nullptr);
    EXPECT_EQ(lamp->State(), lsOff);
    EXPECT_EQ(changes, std::vector{lsOff});
    other.Port().ClosePort();
    EXPECT_EQ(changes, std::vector{lsOff});
}

TEST_F(ComLedTest, WhileLoadingTheLampNeitherReadsThePortNorFiresOnChange) {
    Port().OpenPort();
    lamp->BeginLoading();

    lamp->SetComPort(&Port());
    EXPECT_EQ(lamp->State(), lsOff);
    Port().BroadcastSignal(lnConn, true);
    EXPECT_EQ(lamp->State(), lsOn);
    EXPECT_TRUE(changes.empty());

    lamp->EndLoading();
    Port().BroadcastSignal(lnConn, false);
    EXPECT_EQ(changes, std::vector{lsOff});
}

TEST_F(ComLedTest, DestroyingThePortFirstLeavesTheLampUnboundAndDark) {
    lamp->SetComPort(&Port());
    Port().OpenPort();
    ASSERT_EQ(lamp->State(), lsOn);

    device.reset();

    EXPECT_EQ(lamp->ComPort(), nullptr);
    EXPECT_EQ(lamp->State(), lsOff);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), lsOff);
    // Unbound, the program may switch it again; and it goes away quietly.
    lamp->SetState(lsOn);
    EXPECT_EQ(lamp->State(), lsOn);
    changes.clear();
    lamp.reset();
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(ComLedTest, DestroyingTheLampFirstTellsOnChangeAndDetachesFromThePort) {
    lamp->SetComPort(&Port());
    Port().OpenPort();
    changes.clear();

    lamp.reset();
    EXPECT_EQ(changes, std::vector{lsOff});

    // The port keeps working without the lamp: another lamp attaches and hears it.
    auto next = NewLamp();
    next->SetComPort(&Port());
    changes.clear();
    Port().ClosePort();
    EXPECT_EQ(changes, std::vector{lsOff});
}

// Nothing may leave a destructor: the handler's error goes to the error box instead.
TEST_F(ComLedTest, FailingOnChangeWhileOneSideGoesAwayIsReportedNotRaised) {
    for (bool portFirst : {true, false}) {
        SCOPED_TRACE(portFirst ? "port destroyed first" : "lamp destroyed first");
        errors.clear();
        device = std::make_unique<VirtualPort>();
        lamp = NewLamp();
        lamp->SetComPort(&Port());
        lamp->OnChange = [](TObject*, TLedState) { throw std::runtime_error("handler failed"); };

        if (portFirst) {
            device.reset();
            EXPECT_EQ(lamp->ComPort(), nullptr);
        } else {
            lamp.reset();
        }
        EXPECT_EQ(errors, std::vector{QStringLiteral("handler failed")});
    }
}

} // namespace
} // namespace tavrin::testing
