#include "CommFixture.h"

#include "platform/driver/CommDriver.h"
#include "platform/driver/DcbRules.h"

#include <cctype>
#include <cstring>

using namespace win;
using win::virt::Call;
using win::virt::VirtualDevice;

namespace platform_test {
namespace {

using namespace std::chrono_literals;

using Virtual = CommFixture;

template <class T> bool Same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

DCB GoodDcb() {
    DCB dcb = DefaultDcb();
    dcb.DCBlength = 0; // not checked
    return dcb;
}

TEST_F(Virtual, SetCommStateRefusesWhatADriverRefusesAndKeepsTheOldBlock) {
    struct Case {
        const char* name;
        void (*change)(DCB&);
        DWORD expected;
    } cases[] = {
        {"a good block with any DCBlength", [](DCB&) {}, ERROR_SUCCESS},
        {"baud rate 0", [](DCB& d) { d.BaudRate = 0; }, ERROR_INVALID_PARAMETER},
        {"any other baud rate is passed on", [](DCB& d) { d.BaudRate = 250; }, ERROR_SUCCESS},
        {"4 data bits", [](DCB& d) { d.ByteSize = 4; }, ERROR_INVALID_PARAMETER},
        {"9 data bits", [](DCB& d) { d.ByteSize = 9; }, ERROR_INVALID_PARAMETER},
        {"5 data bits", [](DCB& d) { d.ByteSize = 5; }, ERROR_SUCCESS},
        {"1.5 stop bits with 5 data bits",
         [](DCB& d) { d.ByteSize = 5, d.StopBits = ONE5STOPBITS; }, ERROR_SUCCESS},
        {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; },
         ERROR_INVALID_PARAMETER},
        {"2 stop bits with 5 data bits", [](DCB& d) { d.ByteSize = 5, d.StopBits = TWOSTOPBITS; },
         ERROR_INVALID_PARAMETER},
        {"2 stop bits with 8 data bits", [](DCB& d) { d.StopBits = TWOSTOPBITS; }, ERROR_SUCCESS},
        {"stop bits value 3", [](DCB& d) { d.StopBits = 3; }, ERROR_INVALID_PARAMETER},
        {"parity value 5", [](DCB& d) { d.Parity = 5; }, ERROR_INVALID_PARAMETER},
        {"space parity", [](DCB& d) { d.Parity = SPACEPARITY; }, ERROR_SUCCESS},
        {"equal XON and XOFF without XON/XOFF flow control",
         [](DCB& d) { d.XonChar = d.XoffChar = 17; }, ERROR_INVALID_PARAMETER},
        {"equal XON and XOFF with XON/XOFF flow control",
         [](DCB& d) { d.fOutX = d.fInX = 1, d.XonChar = d.XoffChar = 0; }, ERROR_INVALID_PARAMETER},
        {"DTR control value 3", [](DCB& d) { d.fDtrControl = 3; }, ERROR_INVALID_PARAMETER},
        {"RTS toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        DCB before{};
        ASSERT_TRUE(GetCommState(file, &before));
        DCB dcb = GoodDcb();
        c.change(dcb);
        SetLastError(0);
        const BOOL ok = SetCommState(file, &dcb);
        EXPECT_EQ(ok, c.expected == ERROR_SUCCESS ? TRUE : FALSE) << c.name;
        DCB after{};
        ASSERT_TRUE(GetCommState(file, &after));
        if (ok) {
            EXPECT_TRUE(Same(after, dcb)) << c.name;
        } else {
            EXPECT_EQ(GetLastError(), c.expected) << c.name;
            EXPECT_TRUE(Same(after, before)) << c.name;
        }
        // The journal and LastDcb hold the block as passed, refused or not.
        EXPECT_TRUE(Same(device->LastDcb(), dcb)) << c.name;
        const auto journal = device->Journal();
        const auto set = journal[journal.size() - 2];
        EXPECT_EQ(set.call, Call::SetCommState) << c.name;
        EXPECT_TRUE(Same(set.dcb, dcb)) << c.name;
    }
}

TEST_F(Virtual, TimeoutsWithAllThreeReadValuesMaxdwordAreRefused) {
    COMMTIMEOUTS bad{MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(file, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    COMMTIMEOUTS good{MAXDWORD, 0, 0, 100, 1000};
    ASSERT_TRUE(SetCommTimeouts(file, &good));
    COMMTIMEOUTS read{};
    ASSERT_TRUE(GetCommTimeouts(file, &read));
    EXPECT_TRUE(Same(read, good));
    EXPECT_EQ(device->LastTimeouts().WriteTotalTimeoutConstant, 1000u);
}

TEST_F(Virtual, OpeningFollowsTheDeviceRules) {
    // Open already (the fixture's handle): a second open is refused.
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(CloseHandle(file));
    // Letter case does not count in device names.
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    file = CreateFileA(("\\\\.\\" + upper).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(device->IsOpen());
    const auto open = device->Journal().back();
    EXPECT_EQ(open.call, Call::CreateFile);
    EXPECT_EQ(open.text, "\\\\.\\" + upper);
    EXPECT_EQ(open.arg1, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(open.arg2, 0u);
    EXPECT_EQ(open.arg3, OPEN_EXISTING);
    EXPECT_EQ(open.arg4, FILE_FLAG_OVERLAPPED);
    // A closed handle of the device is an invalid handle.
    HANDLE old = file;
    ASSERT_TRUE(CloseHandle(file));
    file = INVALID_HANDLE_VALUE;
    DWORD status = 0;
    EXPECT_FALSE(GetCommModemStatus(old, &status));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(Virtual, AHandleOutlivesItsDevicesRegistration) {
    auto held = std::move(device);
    VirtualDevice::Unregister(name);
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    held->Inject("still");
    held.reset();
    char buffer[8];
    DWORD read = 0;
    SetTimeouts(MAXDWORD, 0, 0);
    ASSERT_TRUE(ReadFile(file, buffer, 8, &read, &ov));
    EXPECT_EQ(read, 5u);
    device = VirtualDevice::Register(name); // for the fixture's tear-down
}

TEST_F(Virtual, InjectedFailuresHitTheNamedCallOnlyAndChangeNothing) {
    device->FailNext(Call::SetupComm, ERROR_GEN_FAILURE, 2);
    EXPECT_FALSE(SetupComm(file, 64, 64));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_FALSE(SetupComm(file, 64, 64));
    EXPECT_EQ(device->InQueueSize(), CommDriver::kDefaultQueueSize);
    EXPECT_TRUE(SetupComm(file, 64, 64));
    EXPECT_EQ(device->InQueueSize(), 64u);

    device->FailNext(Call::GetCommModemStatus, ERROR_ACCESS_DENIED, -1);
    DWORD status = 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(GetCommModemStatus(file, &status));
    EXPECT_TRUE(ClearCommError(file, nullptr, nullptr));
    device->ClearFailures();
    EXPECT_TRUE(GetCommModemStatus(file, &status));

    const auto journal = device->Journal();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(journal[1].call, Call::SetupComm);
    EXPECT_EQ(journal[1].result, DWORD{FALSE});
    EXPECT_EQ(journal[1].error, ERROR_GEN_FAILURE);
    EXPECT_EQ(journal[3].result, DWORD{TRUE});
    EXPECT_EQ(journal[3].arg1, 64u);
}

TEST_F(Virtual, InjectedOpenAndCloseFailures) {
    device->FailNext(Call::CloseHandle, ERROR_GEN_FAILURE);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(device->IsOpen()) << "a refused close leaves the handle open";
    ASSERT_TRUE(CloseHandle(file));
    device->FailNext(Call::CreateFile, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    file = Open();
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
}

class Pacing : public CommFixture {
protected:
    void SetUp() override {
        CommFixture::SetUp();
        device->SetClock([this] { return now; });
    }
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
};

TEST_F(Pacing, ASecondCharacterInsideOneCharacterTimeIsRefused) {
    DCB dcb = DefaultDcb();
    dcb.BaudRate = 300; // 10 bits per character: 33.3 ms
    ASSERT_TRUE(SetCommState(file, &dcb));
    ASSERT_TRUE(TransmitCommChar(file, 'a'));
    now += 33ms;
    EXPECT_FALSE(TransmitCommChar(file, 'b'));
    EXPECT_EQ(GetLastError(), VirtualDevice::kTransmitBusyError);
    now += 1ms;
    EXPECT_TRUE(TransmitCommChar(file, 'c'));
    EXPECT_EQ(device->Output(), "ac");
    const auto sent = device->SentBytes();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].at - sent[0].at, 34ms);
}

TEST_F(Pacing, CharacterTimeFollowsTheFrameOrTheSetTime) {
    struct Case {
        const char* name;
        DWORD baud;
        BYTE bits, parity, stop;
        std::chrono::nanoseconds expected;
    } cases[] = {
        {"9600 8N1", 9600, 8, NOPARITY, ONESTOPBIT, 1041666ns},
        {"9600 7E2", 9600, 7, EVENPARITY, TWOSTOPBITS, 1145833ns},
        {"110 5N1.5", 110, 5, NOPARITY, ONE5STOPBITS, 68181818ns},
    };
    for (const Case& c : cases) {
        DCB dcb = DefaultDcb();
        dcb.BaudRate = c.baud;
        dcb.ByteSize = c.bits;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stop;
        EXPECT_EQ(CharacterTime(dcb), c.expected) << c.name;
    }
    device->SetCharTime(std::chrono::seconds(5));
    ASSERT_TRUE(TransmitCommChar(file, 'x'));
    now += std::chrono::seconds(4);
    EXPECT_FALSE(TransmitCommChar(file, 'y'));
    now += std::chrono::seconds(1);
    EXPECT_TRUE(TransmitCommChar(file, 'z'));
}

TEST_F(Virtual, WrittenBytesAreCaptured) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello", 5, &written, &ov));
    EXPECT_EQ(written, 5u);
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(device->Output(), "hello");
    device->ClearOutput();
    EXPECT_EQ(device->Output(), "");
}

TEST_F(Virtual, UnplugEndsPendingWorkFailsLaterCallsAndHidesTheDevice) {
    SetTimeouts(0, 0, 0);
    ASSERT_TRUE(SetCommMask(file, EV_RXCHAR));
    OVERLAPPED waitOv{};
    waitOv.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD mask = 0;
    ASSERT_FALSE(WaitCommEvent(file, &mask, &waitOv));
    char buffer[4];
    ASSERT_FALSE(ReadFile(file, buffer, 4, nullptr, &ov));

    device->Unplug();
    EXPECT_FALSE(device->IsOpen());
    ASSERT_EQ(WaitForSingleObject(waitOv.hEvent, kDeadlineMs), WAIT_OBJECT_0);
    ASSERT_TRUE(Signalled(kDeadlineMs));
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(file, &waitOv, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(GetOverlappedResult(file, &ov, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);

    DWORD status = 0;
    EXPECT_FALSE(GetCommModemStatus(file, &status));
    EXPECT_EQ(GetLastError(), VirtualDevice::kUnpluggedError);
    EXPECT_FALSE(PurgeComm(file, PURGE_RXABORT));
    EXPECT_EQ(GetLastError(), VirtualDevice::kUnpluggedError);
    EXPECT_FALSE(WaitCommEvent(file, &mask, &waitOv));
    EXPECT_EQ(GetLastError(), VirtualDevice::kUnpluggedError);
    EXPECT_EQ(WaitForSingleObject(waitOv.hEvent, 0), WAIT_TIMEOUT) << "no wake-up to spin on";

    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    device->Replug();
    EXPECT_FALSE(GetCommModemStatus(file, &status)) << "the old handle stays dead";
    HANDLE again = Open();
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(again));
    EXPECT_TRUE(CloseHandle(file)) << "closing still works";
    file = INVALID_HANDLE_VALUE;
    CloseHandle(waitOv.hEvent);
}

} // namespace
} // namespace platform_test
