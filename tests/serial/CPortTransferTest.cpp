// Transfers on an open virtual device: the transfer record, reads with the links' receive
// notice, the abort of transfers, and sending one character.

#include "platform/winapi/Comm.h"
#include "support/PortExpect.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tavrin {
namespace {

using testing::ExpectComError;
using testing::VirtualPort;
using win::virt::Call;

constexpr int kInvalidHandle = static_cast<int>(win::ERROR_INVALID_HANDLE);
constexpr int kGenFailure = static_cast<int>(win::ERROR_GEN_FAILURE);

// An open port without an event thread, followed by a link that records receive activity.
class Transfer : public ::testing::Test {
protected:
    Transfer() {
        port().SetEvents({});
        link.OnRx = [this](TObject*, bool on) { rxNotices.push_back(on); };
        link.OnTxBuf = [this](TObject*, const void* data, std::int32_t count) {
            txBuf.assign(static_cast<const char*>(data), static_cast<std::size_t>(count));
        };
        port().AttachLink(&link);
        port().OpenPort();
    }
    ~Transfer() override { port().DetachLink(&link); }

    TComPort& port() { return vp.Port(); }
    win::virt::VirtualDevice& device() { return vp.Device(); }
    std::size_t ReadFileCalls() { return vp.EntriesOf(Call::ReadFile).size(); }
    void EmptyInput() { ASSERT_TRUE(win::PurgeComm(port().Handle(), win::PURGE_RXCLEAR)); }

    VirtualPort vp;
    TComLink link;
    std::vector<bool> rxNotices;
    std::string txBuf;
};

TEST_F(Transfer, ReadTextTakesWhatWaitsUpToTheCountAndReportsAnEmptiedQueue) {
    struct Row {
        const char* name;
        std::string waiting;
        std::int32_t asked;
        std::string got;
        win::DWORD left;
        std::vector<bool> rx; // receive-activity notices to the links
        std::size_t reads;    // ReadFile calls made
    };
    const Row rows[] = {
        {"more asked than waiting", "abcd", 10, "abcd", 0, {false}, 1},
        {"fewer asked than waiting", "0123456789", 4, "0123", 6, {}, 1},
        {"nothing waiting", "", 5, "", 0, {false}, 1},
        {"zero asked", "xy", 0, "", 2, {}, 0},
        {"zero asked, nothing waiting", "", 0, "", 0, {}, 0},
        {"negative count", "", -3, "", 0, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmptyInput();
        device().Inject(row.waiting);
        ASSERT_EQ(device().QueuedInput(), row.waiting.size());
        rxNotices.clear();
        std::size_t readsBefore = ReadFileCalls();

        std::string text = "stale contents";
        std::int32_t n = port().ReadText(text, row.asked);

        EXPECT_EQ(n, static_cast<std::int32_t>(row.got.size()));
        EXPECT_EQ(text, row.got);
        EXPECT_EQ(device().QueuedInput(), row.left);
        EXPECT_EQ(rxNotices, row.rx);
        EXPECT_EQ(ReadFileCalls() - readsBefore, row.reads);
    }
}

TEST_F(Transfer, ReadBytesDeliversRawBytes) {
    const std::string bytes("\0\xff\x80z", 4);
    device().Inject(bytes);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(port().ReadBytes(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), bytes);
    EXPECT_EQ(buffer[4], '#') << "nothing written past what was read";
    EXPECT_EQ(rxNotices, std::vector<bool>{false});
}

TEST_F(Transfer, ReadFailuresAreErrorThreeWithTheSystemCode) {
    device().Inject("abc");
    device().FailNext(Call::ReadFile, win::ERROR_GEN_FAILURE);
    std::string text;
    ExpectComError([&] { port().ReadText(text, 3); }, CError_ReadFailed, kGenFailure);
    EXPECT_EQ(text.size(), 3u) << "the string keeps the length asked for";

    device().FailNext(Call::GetOverlappedResult, win::ERROR_GEN_FAILURE);
    char buffer[3];
    ExpectComError([&] { port().ReadBytes(buffer, 3); }, CError_ReadFailed, kGenFailure);
    EXPECT_TRUE(rxNotices.empty());
}

TEST_F(Transfer, QueueCountFailureAfterTheReadIsErrorTen) {
    device().Inject("abc");
    device().FailNext(Call::ClearCommError, win::ERROR_GEN_FAILURE);
    std::string text;
    ExpectComError([&] { port().ReadText(text, 3); }, CError_ClearComFailed, kGenFailure);
    EXPECT_EQ(device().QueuedInput(), 0u) << "the read itself completed";
}

TEST_F(Transfer, NegativeCountNeverReachesTheDevice) {
    device().Inject("abc");
    char buffer[4];
    ExpectComError([&] { port().ReadBytes(buffer, -1); }, CError_ReadFailed,
                   static_cast<int>(win::ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ReadFileCalls(), 0u);
    EXPECT_EQ(device().QueuedInput(), 3u);
}

TEST_F(Transfer, TransferOperationsWithoutARecordAreErrorFour) {
    char buffer[1];
    ExpectComError([&] { port().StartRead(buffer, 1, nullptr); }, CError_InvalidAsync, -1);
    std::string text;
    ExpectComError([&] { port().StartReadText(text, 1, nullptr); }, CError_InvalidAsync, -1);
    ExpectComError([&] { port().CompleteAsync(nullptr); }, CError_InvalidAsync, -1);
    EXPECT_EQ(ReadFileCalls(), 0u);
}

TEST_F(Transfer, PreparedRecordIsSignalledEmptyAndReleasedToNothing) {
    PComAsync record = nullptr;
    PrepareAsync(record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(win::WaitForSingleObject(record->Overlapped.hEvent, 0), win::WAIT_OBJECT_0);
    EXPECT_EQ(record->Overlapped.Internal, 0u);
    EXPECT_EQ(record->Overlapped.InternalHigh, 0u);
    EXPECT_EQ(record->Data, nullptr);
    EXPECT_EQ(record->DataSize, 0);
    // Never started: completes at once with nothing, and tells no link anything.
    EXPECT_EQ(port().CompleteAsync(record), 0);
    EXPECT_TRUE(rxNotices.empty());
    ReleaseAsync(record);
    EXPECT_EQ(record, nullptr);
    ReleaseAsync(record); // nothing to release
}

TEST_F(Transfer, CompletionOfARecordWithDataHandsItToTheLinks) {
    PComAsync record = nullptr;
    PrepareAsync(record);
    record->Direction = adWrite;
    record->Data = std::malloc(3);
    std::memcpy(record->Data, "out", 3);
    record->DataSize = 3;
    port().CompleteAsync(record);
    EXPECT_EQ(txBuf, "out");
    ReleaseAsync(record); // frees the block too (the leak checker would see it otherwise)
}

TEST_F(Transfer, FailedCompletionOfAWriteRecordIsErrorTwo) {
    PComAsync record = nullptr;
    PrepareAsync(record);
    record->Direction = adWrite;
    device().FailNext(Call::GetOverlappedResult, win::ERROR_GEN_FAILURE);
    ExpectComError([&] { port().CompleteAsync(record); }, CError_WriteFailed, kGenFailure);
    ReleaseAsync(record);
}

TEST_F(Transfer, AbortEndsTransfersButKeepsReceivedData) {
    device().Inject("kept");
    device().ClearJournal();
    port().AbortTransfers();
    auto purges = vp.EntriesOf(Call::PurgeComm);
    ASSERT_EQ(purges.size(), 1u);
    EXPECT_EQ(purges[0].arg1, win::PURGE_TXABORT | win::PURGE_RXABORT);
    EXPECT_EQ(device().QueuedInput(), 4u);

    device().FailNext(Call::PurgeComm, win::ERROR_GEN_FAILURE);
    ExpectComError([&] { port().AbortTransfers(); }, CError_PurgeFailed, kGenFailure);
}

TEST_F(Transfer, SendCharPutsOneCharacterOnTheLineAndTellsNoLink) {
    port().SendChar('A');
    EXPECT_EQ(device().Output(), "A");
    auto sent = vp.EntriesOf(Call::TransmitCommChar);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].arg1, static_cast<win::DWORD>('A'));
    EXPECT_TRUE(rxNotices.empty());
    EXPECT_TRUE(txBuf.empty());
}

TEST_F(Transfer, SecondCharacterInsideOneCharacterTimeIsRefused) {
    port().SetBaudRate(br110); // about 90 ms per character
    device().ClearOutput();
    port().SendChar('a');
    try {
        port().SendChar('b');
        ADD_FAILURE() << "the second character was accepted while the first was leaving";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorNumber(), CError_TransmitFailed);
        auto sent = vp.EntriesOf(Call::TransmitCommChar);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_NE(sent[1].error, 0u);
        EXPECT_EQ(e.SystemError(), static_cast<int>(sent[1].error));
    }
    EXPECT_EQ(device().Output(), "a");
}

TEST(TransferOnClosedPort, FailsWithTheInvalidHandleCode) {
    VirtualPort vp;
    TComPort& port = vp.Port();
    std::string text;
    char buffer[2];
    ExpectComError([&] { port.ReadText(text, 2); }, CError_ReadFailed, kInvalidHandle);
    ExpectComError([&] { port.ReadBytes(buffer, 2); }, CError_ReadFailed, kInvalidHandle);
    ExpectComError([&] { port.SendChar('x'); }, CError_TransmitFailed, kInvalidHandle);
    ExpectComError([&] { port.AbortTransfers(); }, CError_PurgeFailed, kInvalidHandle);
}

} // namespace
} // namespace tavrin
