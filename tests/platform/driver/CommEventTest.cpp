#include "CommFixture.h"

#include <thread>

using namespace win;

namespace platform_test {
namespace {

class CommEvents : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        ASSERT_TRUE(SetCommMask(file, kAll));
    }
    // Starts a wait; returns the events when it completed at once, 0 when it is pending.
    DWORD StartWait() {
        mask = 0xDEAD;
        if (WaitCommEvent(file, &mask, &ov))
            return mask;
        EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
        return 0;
    }
    // The events of the wait in progress, once it has completed.
    DWORD Completed() {
        EXPECT_TRUE(Signalled(kDeadlineMs));
        DWORD bytes = 0;
        EXPECT_TRUE(GetOverlappedResult(file, &ov, &bytes, FALSE));
        return mask;
    }
    static constexpr DWORD kAll = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD |
                                  EV_BREAK | EV_ERR | EV_RING | EV_RX80FULL;
    DWORD mask = 0;
};

TEST_F(CommEvents, APendingWaitCompletesWhenAnEventHappens) {
    EXPECT_EQ(StartWait(), 0u);
    EXPECT_FALSE(Signalled());
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(file, &ov, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    device->SetDSR(true);
    EXPECT_EQ(Completed(), DWORD{EV_DSR});
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(file, &status));
    EXPECT_EQ(status, DWORD{MS_DSR_ON});
}

TEST_F(CommEvents, EventsWithoutAWaitAreRememberedAsOneBatchWithRepeatsCoalesced) {
    device->Inject("a");
    device->Inject("b");
    device->SetCTS(true);
    device->SetCTS(false);
    device->TxEmpty();
    EXPECT_EQ(StartWait(), DWORD{EV_RXCHAR | EV_CTS | EV_TXEMPTY});
    EXPECT_TRUE(Signalled());
    // The batch was taken: the next wait pends.
    EXPECT_EQ(StartWait(), 0u);
    device->Inject("c");
    EXPECT_EQ(Completed(), DWORD{EV_RXCHAR});
}

TEST_F(CommEvents, SetCommMaskCompletesAPendingWaitWithMaskZeroAndForgetsEvents) {
    EXPECT_EQ(StartWait(), 0u);
    ASSERT_TRUE(SetCommMask(file, kAll));
    EXPECT_EQ(Completed(), 0u);
    device->Inject("x");
    ASSERT_TRUE(SetCommMask(file, EV_DSR));
    EXPECT_EQ(StartWait(), 0u) << "the remembered EV_RXCHAR was forgotten";
    device->Inject("y"); // outside the mask: neither completes nor is remembered
    EXPECT_FALSE(Signalled());
    ASSERT_TRUE(SetCommMask(file, 0));
    EXPECT_EQ(Completed(), 0u);
}

TEST_F(CommEvents, InputWaitingWhenTheMaskIsSetIsAnnouncedByTheFirstWait) {
    ASSERT_TRUE(SetCommMask(file, 0));
    device->Inject("waiting"); // no one listens: nothing remembered
    ASSERT_TRUE(SetCommMask(file, EV_DSR));
    EXPECT_EQ(StartWait(), 0u) << "EV_RXCHAR is not asked for";
    ASSERT_TRUE(SetCommMask(file, kAll));
    EXPECT_EQ(Completed(), 0u);
    EXPECT_EQ(StartWait(), DWORD{EV_RXCHAR}) << "the waiting bytes were never announced";
    EXPECT_EQ(StartWait(), 0u) << "announced once, not on every wait";
    ASSERT_TRUE(PurgeComm(file, PURGE_RXCLEAR));
    ASSERT_TRUE(SetCommMask(file, kAll));
    EXPECT_EQ(Completed(), 0u);
    EXPECT_EQ(StartWait(), 0u) << "an empty queue announces nothing";
    ASSERT_TRUE(SetCommMask(file, 0));
    EXPECT_EQ(Completed(), 0u);
}

TEST_F(CommEvents, RefusedWaitsLeaveTheEventUnsignalled) {
    EXPECT_EQ(StartWait(), 0u);
    OVERLAPPED other{};
    other.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    DWORD otherMask = 0;
    EXPECT_FALSE(WaitCommEvent(file, &otherMask, &other)) << "only one wait may pend";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForSingleObject(other.hEvent, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetCommMask(file, 0));
    Completed();
    EXPECT_FALSE(WaitCommEvent(file, &otherMask, &other)) << "an empty mask has nothing";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForSingleObject(other.hEvent, 0), WAIT_TIMEOUT);
    CloseHandle(other.hEvent);
}

TEST_F(CommEvents, MaskBitsADriverDoesNotKnowAreRefused) {
    EXPECT_FALSE(SetCommMask(file, 0x2000));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(file, &mask));
    EXPECT_EQ(mask, kAll) << "a refused mask changes nothing";
    ASSERT_TRUE(SetCommMask(file, 0x1FFF));
}

TEST_F(CommEvents, ReceivedCharactersRaiseTheirEvents) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(file, &dcb));
    dcb.EvtChar = '\n';
    ASSERT_TRUE(SetCommState(file, &dcb));
    ASSERT_TRUE(SetupComm(file, 10, 10));
    struct Step {
        const char* bytes;
        DWORD events;
    } steps[] = {
        {"ab", EV_RXCHAR},
        {"c\n", EV_RXCHAR | EV_RXFLAG},
        {"1234", EV_RXCHAR | EV_RX80FULL},          // 8 of 10 queued
        {"5678", EV_RXCHAR | EV_RX80FULL | EV_ERR}, // 2 fit, 2 are lost
    };
    for (const Step& step : steps) {
        device->Inject(step.bytes);
        EXPECT_EQ(StartWait(), step.events) << step.bytes;
    }
    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(file, &errors, &stat));
    EXPECT_EQ(errors, DWORD{CE_RXOVER});
    EXPECT_EQ(stat.cbInQue, 10u);
    ASSERT_TRUE(ClearCommError(file, &errors, &stat));
    EXPECT_EQ(errors, 0u) << "reading the errors clears them";
}

TEST_F(CommEvents, DiscardNullDropsNulBytesBeforeAnythingSeesThem) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(file, &dcb));
    dcb.fNull = 1;
    ASSERT_TRUE(SetCommState(file, &dcb));
    device->Inject(std::string(3, '\0'));
    EXPECT_EQ(device->QueuedInput(), 0u);
    EXPECT_EQ(StartWait(), 0u);
    device->Inject(std::string("A\0B", 3));
    EXPECT_EQ(Completed(), DWORD{EV_RXCHAR});
    EXPECT_EQ(device->QueuedInput(), 2u);
}

TEST_F(CommEvents, LineErrorsRaiseErrAndBreakAndAreReportedOnce) {
    device->InjectErrors(CE_FRAME | CE_RXPARITY);
    EXPECT_EQ(StartWait(), DWORD{EV_ERR});
    device->InjectErrors(CE_BREAK);
    EXPECT_EQ(StartWait(), DWORD{EV_ERR | EV_BREAK});
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(file, &errors, nullptr));
    EXPECT_EQ(errors, DWORD{CE_FRAME | CE_RXPARITY | CE_BREAK});
    ASSERT_TRUE(ClearCommError(file, &errors, nullptr));
    EXPECT_EQ(errors, 0u);
}

TEST_F(CommEvents, ModemLinesAndRing) {
    device->SetRLSD(true);
    device->SetDSR(true);
    EXPECT_EQ(StartWait(), DWORD{EV_RLSD | EV_DSR});
    device->Ring();
    EXPECT_EQ(StartWait(), DWORD{EV_RING});
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(file, &status));
    EXPECT_EQ(status, DWORD{MS_RLSD_ON | MS_DSR_ON}) << "RING is on only during the ring";
    device->SetDSR(true); // no change, no event
    EXPECT_EQ(StartWait(), 0u);
    device->SetCTS(true);
    EXPECT_EQ(Completed(), DWORD{EV_CTS});
}

TEST_F(CommEvents, LinesSetWhileClosedAreReadAtTheNextOpenWithoutEvents) {
    ASSERT_TRUE(CloseHandle(file));
    device->SetDSR(true);
    device->SetCTS(true);
    file = Open();
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(file, &status));
    EXPECT_EQ(status, DWORD{MS_DSR_ON | MS_CTS_ON});
    ASSERT_TRUE(SetCommMask(file, kAll));
    EXPECT_EQ(StartWait(), 0u);
    ASSERT_TRUE(SetCommMask(file, 0));
    Completed();
}

TEST_F(CommEvents, ClosingTheHandleEndsAPendingWaitWith995) {
    EXPECT_EQ(StartWait(), 0u);
    ASSERT_TRUE(CloseHandle(file));
    file = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(Signalled(kDeadlineMs));
    EXPECT_EQ(ov.Internal, ERROR_OPERATION_ABORTED);
}

// The engine's event loop: one pending wait, and a stop event listed first.
class EventLoop {
public:
    EventLoop(HANDLE file) : file_(file) {
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        progress_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        thread_ = std::thread([this] { Run(); });
    }
    ~EventLoop() {
        Stop();
        CloseHandle(stop_);
        CloseHandle(progress_);
    }
    void Stop() {
        SetEvent(stop_);
        if (thread_.joinable())
            thread_.join();
    }
    // Blocks until the loop has delivered another batch.
    bool NextBatch() { return WaitForSingleObject(progress_, 10000) == WAIT_OBJECT_0; }
    DWORD Seen() const { return seen_.load(); }

private:
    void Run() {
        OVERLAPPED local{};
        local.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        HANDLE both[] = {stop_, local.hEvent};
        DWORD events = 0;
        for (;;) {
            WaitCommEvent(file_, &events, &local);
            if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                break;
            DWORD bytes = 0;
            if (GetOverlappedResult(file_, &local, &bytes, FALSE)) {
                seen_ |= events;
                SetEvent(progress_);
            }
        }
        SetCommMask(file_, 0);
        CloseHandle(local.hEvent);
    }

    HANDLE file_;
    HANDLE stop_;
    HANDLE progress_;
    std::atomic<DWORD> seen_{0};
    std::thread thread_;
};

TEST_F(CommEvents, AnEventLoopGetsOneBatchPerWaitAndTheStopWins) {
    EventLoop loop(file);
    device->Inject("1");
    ASSERT_TRUE(loop.NextBatch());
    device->SetCTS(true);
    ASSERT_TRUE(loop.NextBatch());
    const auto calls = device->WaitCommEventCalls();
    device->Inject("2"); // a pending comm event and the stop: the stop is listed first
    loop.Stop();
    EXPECT_EQ(loop.Seen() & DWORD{EV_CTS}, DWORD{EV_CTS});
    EXPECT_LE(device->WaitCommEventCalls(), calls + 2);
}

TEST_F(CommEvents, ARefusedWaitDoesNotWakeTheLoop) {
    // The loop's event starts signalled; a WaitCommEvent refused at once must reset it,
    // or the loop would go round without end.
    device->FailNext(virt::Call::WaitCommEvent, ERROR_GEN_FAILURE, -1);
    EventLoop loop(file);
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(never, 50), WAIT_TIMEOUT); // let a spinning loop show
    CloseHandle(never);
    loop.Stop();
    EXPECT_EQ(device->WaitCommEventCalls(), 1u);
}

} // namespace
} // namespace platform_test
