// The port's lifecycle through a virtual device: opening and closing with their
// notifications, a new device name, the delivery method, the end of loading, destruction,
// and the port error.

#include "base/Application.h"
#include "support/PortExpect.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrin {
namespace {

using testing::ExpectComError;
using testing::ExpectedComErrorText;
using testing::ProbePort;
using testing::UniqueDeviceName;
using testing::VirtualPort;
using win::virt::Call;
using Calls = std::vector<Call>;

// ---- The port error -----------------------------------------------------------------------

TEST(ComPortError, CarriesNumberSystemCodeAndTableText) {
    for (int n = 1; n <= 23; ++n) {
        SCOPED_TRACE(n);
        EXPECT_STREQ(ComErrorText(n), ExpectedComErrorText(n));
        EComPort plain(n);
        EXPECT_EQ(plain.ErrorNumber(), n);
        EXPECT_EQ(plain.SystemError(), -1);
        EXPECT_EQ(plain.Message(), ExpectedComErrorText(n));
        EComPort withCode(n, 87);
        EXPECT_EQ(withCode.SystemError(), 87);
        EXPECT_EQ(withCode.Message(),
                  std::string(ExpectedComErrorText(n)) + " (win error code: 87)");
        EXPECT_STREQ(withCode.what(), withCode.Message().c_str());
    }
    // No entry 0 and nothing past 23: no text, and no read outside the table.
    EXPECT_STREQ(ComErrorText(0), "");
    EXPECT_STREQ(ComErrorText(24), "");
    EXPECT_STREQ(ComErrorText(-1), "");
}

// ---- A new port ----------------------------------------------------------------------------

TEST(NewPort, HoldsTheDefaultsAndIsClosed) {
    TComPort port;
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity().Bits(), prNone);
    EXPECT_FALSE(port.Parity().Check());
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
    EXPECT_EQ(port.FlowControl().XonChar(), 17);
    EXPECT_EQ(port.FlowControl().XoffChar(), 19);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);
    EXPECT_EQ(port.Buffer().OutputSize(), 1024);
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().ReadTotalMultiplier(), 0);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 0);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_FALSE(port.DiscardNull());
    EXPECT_EQ(port.EventChar(), 0);
    EXPECT_EQ(port.StoredGroups(), TStoredGroups{sgBasic});
    EXPECT_TRUE(port.ReportRxCount());
    EXPECT_EQ(port.EventPriority(), tpNormal);
    EXPECT_EQ(port.UpdateCount(), 0);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(port.ThreadCreated());
    EXPECT_EQ(port.Handle(), win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(port.Parity().OwnerPort(), &port);
    EXPECT_EQ(port.FlowControl().OwnerPort(), &port);
    EXPECT_EQ(port.Timeouts().OwnerPort(), &port);
    EXPECT_EQ(port.Buffer().OwnerPort(), &port);
}

// ---- Opening and closing -----------------------------------------------------------------

const Calls configuration = {Call::SetupComm, Call::SetCommState, Call::SetCommTimeouts};

Calls Concat(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Most tests run without events so that no event thread is involved.
class PortLifecycle : public ::testing::Test {
protected:
    PortLifecycle() { port().SetEvents({}); }

    ProbePort& port() { return vp.Port(); }
    win::virt::VirtualDevice& device() { return vp.Device(); }

    // Records the four open/close notifications in `trace`.
    void TraceNotifications(ProbePort& p) {
        p.OnBeforeOpen = [this](TObject*) { trace.push_back("BeforeOpen"); };
        p.OnAfterOpen = [this](TObject*) { trace.push_back("AfterOpen"); };
        p.OnBeforeClose = [this](TObject*) { trace.push_back("BeforeClose"); };
        p.OnAfterClose = [this](TObject*) { trace.push_back("AfterClose"); };
    }

    // Before the port: handlers still record while the port closes at the end of a test.
    std::vector<std::string> trace;
    VirtualPort vp;
};

TEST_F(PortLifecycle, OpeningOpensThenConfiguresInOrder) {
    port().OnBeforeOpen = [this](TObject* sender) {
        EXPECT_EQ(sender, &port());
        EXPECT_FALSE(device().IsOpen());
        trace.push_back("BeforeOpen");
    };
    port().OnAfterOpen = [this](TObject* sender) {
        EXPECT_EQ(sender, &port());
        EXPECT_TRUE(port().Connected());
        EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CreateFile}, configuration));
        trace.push_back("AfterOpen");
    };

    port().OpenPort();

    EXPECT_EQ(trace, (std::vector<std::string>{"BeforeOpen", "AfterOpen"}));
    EXPECT_TRUE(port().Connected());
    EXPECT_TRUE(device().IsOpen());
    EXPECT_NE(port().Handle(), win::INVALID_HANDLE_VALUE);
    EXPECT_FALSE(port().ThreadCreated());
    EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CreateFile}, configuration));

    const auto setup = vp.EntriesOf(Call::SetupComm);
    ASSERT_EQ(setup.size(), 1u);
    EXPECT_EQ(setup[0].arg1, 1024u);
    EXPECT_EQ(setup[0].arg2, 1024u);
    const auto state = vp.EntriesOf(Call::SetCommState);
    ASSERT_EQ(state.size(), 1u);
    const win::DCB built = port().BuildDeviceControlBlock();
    EXPECT_EQ(std::memcmp(&state[0].dcb, &built, sizeof built), 0);
    const auto timeouts = vp.EntriesOf(Call::SetCommTimeouts);
    ASSERT_EQ(timeouts.size(), 1u);
    EXPECT_EQ(timeouts[0].timeouts.ReadIntervalTimeout, win::MAXDWORD);
    EXPECT_EQ(timeouts[0].timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts[0].timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(timeouts[0].timeouts.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(timeouts[0].timeouts.WriteTotalTimeoutConstant, 1000u);
}

TEST_F(PortLifecycle, ClosingNotifiesAroundClosingTheDevice) {
    port().OpenPort();
    device().ClearJournal();
    port().OnBeforeClose = [this](TObject*) {
        EXPECT_TRUE(port().Connected());
        EXPECT_TRUE(device().IsOpen());
        trace.push_back("BeforeClose");
    };
    port().OnAfterClose = [this](TObject*) {
        EXPECT_FALSE(port().Connected());
        EXPECT_FALSE(device().IsOpen());
        trace.push_back("AfterClose");
    };

    port().ClosePort();

    EXPECT_EQ(trace, (std::vector<std::string>{"BeforeClose", "AfterClose"}));
    EXPECT_EQ(vp.DeviceCalls(), Calls{Call::CloseHandle});
    EXPECT_FALSE(port().Connected());
    EXPECT_EQ(port().Handle(), win::INVALID_HANDLE_VALUE);
}

TEST_F(PortLifecycle, OpeningAnOpenPortOrClosingAClosedOneDoesNothing) {
    TraceNotifications(port());
    port().ClosePort();
    port().SetConnected(false);
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(vp.DeviceCalls().empty());

    port().SetConnected(true);
    trace.clear();
    device().ClearJournal();
    port().OpenPort();
    port().SetConnected(true);
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(vp.DeviceCalls().empty());

    port().SetConnected(false);
    EXPECT_EQ(trace, (std::vector<std::string>{"BeforeClose", "AfterClose"}));
    EXPECT_FALSE(device().IsOpen());
}

TEST_F(PortLifecycle, AMissingDeviceIsErrorOneWithFileNotFound) {
    TraceNotifications(port());
    port().SetPort(UniqueDeviceName());
    ExpectComError([&] { port().OpenPort(); }, CError_OpenFailed, 2);
    EXPECT_EQ(trace, std::vector<std::string>{"BeforeOpen"});
    EXPECT_FALSE(port().Connected());
    EXPECT_EQ(port().Handle(), win::INVALID_HANDLE_VALUE);
    // The message is Windows-1252 text, byte for byte.
    try {
        port().OpenPort();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "Porta Com n\xE3o dispon\xEDvel (win error code: 2)");
    }
}

TEST_F(PortLifecycle, ADeviceHeldByAnotherPortIsErrorOneWithAccessDenied) {
    port().OpenPort();
    ProbePort other;
    other.SetEvents({});
    other.SetPort(vp.Name());
    ExpectComError([&] { other.OpenPort(); }, CError_OpenFailed, 5);
    EXPECT_FALSE(other.Connected());
    EXPECT_EQ(other.Handle(), win::INVALID_HANDLE_VALUE);
    EXPECT_TRUE(port().Connected());
    EXPECT_TRUE(device().IsOpen());
}

TEST(PortOpening, AFailedConfigurationClosesTheDeviceAgain) {
    struct Case {
        const char* what;
        std::function<void(VirtualPort&)> arrange;
        int number;
        int systemError;
        Calls calls;
    };
    const Case cases[] = {
        {"SetupComm refused",
         [](VirtualPort& v) { v.Device().FailNext(Call::SetupComm, win::ERROR_GEN_FAILURE); },
         CError_SetupComFailed,
         31,
         {Call::CreateFile, Call::SetupComm, Call::CloseHandle}},
        {"SetCommState refused",
         [](VirtualPort& v) { v.Device().FailNext(Call::SetCommState, win::ERROR_GEN_FAILURE); },
         CError_SetStateFailed,
         31,
         {Call::CreateFile, Call::SetupComm, Call::SetCommState, Call::CloseHandle}},
        {"SetCommTimeouts refused",
         [](VirtualPort& v) { v.Device().FailNext(Call::SetCommTimeouts, win::ERROR_GEN_FAILURE); },
         CError_TimeoutsFailed, 31,
         Concat(Concat({Call::CreateFile}, configuration), {Call::CloseHandle})},
        {"a frame the driver rejects: 5 data bits with 2 stop bits",
         [](VirtualPort& v) {
             v.Port().SetDataBits(dbFive);
             v.Port().SetStopBits(sbTwoStopBits);
         },
         CError_SetStateFailed,
         87,
         {Call::CreateFile, Call::SetupComm, Call::SetCommState, Call::CloseHandle}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualPort v;
        std::vector<std::string> trace;
        v.Port().OnAfterOpen = [&](TObject*) { trace.push_back("AfterOpen"); };
        c.arrange(v);

        ExpectComError([&] { v.Port().OpenPort(); }, c.number, c.systemError);

        EXPECT_EQ(v.DeviceCalls(), c.calls);
        EXPECT_FALSE(v.Port().Connected());
        EXPECT_EQ(v.Port().Handle(), win::INVALID_HANDLE_VALUE);
        EXPECT_FALSE(v.Port().ThreadCreated());
        EXPECT_FALSE(v.Device().IsOpen());
        EXPECT_TRUE(trace.empty());

        // Nothing was left holding the device.
        v.Device().ClearFailures();
        v.Port().SetDataBits(dbEight);
        v.Port().OpenPort();
        EXPECT_TRUE(v.Port().Connected());
    }
}

TEST(PortNotifications, AnErrorInANotificationEndsTheSequenceWhereItStands) {
    struct Case {
        const char* what;
        TNotifyEvent ProbePort::*handler;
        bool openFirst;
        bool connectedAfter;
    };
    const Case cases[] = {
        {"before open: the device is not opened", &ProbePort::OnBeforeOpen, false, false},
        {"after open: the port stays open", &ProbePort::OnAfterOpen, false, true},
        {"before close: the port stays open", &ProbePort::OnBeforeClose, true, true},
        {"after close: the port is closed", &ProbePort::OnAfterClose, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualPort v;
        v.Port().SetEvents({});
        if (c.openFirst)
            v.Port().OpenPort();
        v.Port().*c.handler = [](TObject*) { throw std::runtime_error("handler failed"); };

        EXPECT_THROW(c.openFirst ? v.Port().ClosePort() : v.Port().OpenPort(), std::runtime_error);

        EXPECT_EQ(v.Port().Connected(), c.connectedAfter);
        EXPECT_EQ(v.Device().IsOpen(), c.connectedAfter);
        EXPECT_EQ(v.Port().Handle() != win::INVALID_HANDLE_VALUE, c.connectedAfter);
        v.Port().*c.handler = nullptr;
    }
}

TEST_F(PortLifecycle, WithEventsTheConfigurationIsTheSame) {
    port().SetEvents(AllComEvents);
    port().OpenPort();
    EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CreateFile}, configuration));
    port().ClosePort();
    EXPECT_FALSE(port().ThreadCreated());
    EXPECT_FALSE(device().IsOpen());
    EXPECT_EQ(vp.DeviceCalls().back(), Call::CloseHandle);
}

// ---- Device name and delivery method -----------------------------------------------------

TEST_F(PortLifecycle, ANewNameReopensAnOpenPort) {
    port().OpenPort();
    TraceNotifications(port());
    const std::string secondName = vp.Name() + "-b";
    auto other = win::virt::VirtualDevice::Register(secondName);
    device().ClearJournal();

    port().SetPort(vp.Name()); // the same text
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(vp.DeviceCalls().empty());

    port().SetPort(secondName);
    EXPECT_EQ(trace,
              (std::vector<std::string>{"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen"}));
    EXPECT_FALSE(device().IsOpen());
    EXPECT_TRUE(other->IsOpen());
    EXPECT_EQ(vp.DeviceCalls(), Calls{Call::CloseHandle});
    EXPECT_EQ(other->Calls().front(), Call::CreateFile);
    port().ClosePort();
    win::virt::VirtualDevice::Unregister(secondName);
}

// Device names ignore letter case, as on Windows, so the same device opens again; the port
// compares byte for byte and so goes through a full close and open.
TEST_F(PortLifecycle, ANameInOtherLetterCaseReopensTheDevice) {
    std::string upper = vp.Name();
    for (char& c : upper)
        c = static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c);
    port().OpenPort();
    TraceNotifications(port());
    device().ClearJournal();

    port().SetPort(upper);

    EXPECT_EQ(port().Port(), upper);
    EXPECT_EQ(trace,
              (std::vector<std::string>{"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen"}));
    EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CloseHandle, Call::CreateFile}, configuration));
    EXPECT_TRUE(port().Connected());
}

TEST_F(PortLifecycle, ANewNameThatCannotBeOpenedLeavesThePortClosed) {
    port().OpenPort();
    const std::string missing = UniqueDeviceName();
    ExpectComError([&] { port().SetPort(missing); }, CError_OpenFailed, 2);
    EXPECT_EQ(port().Port(), missing);
    EXPECT_FALSE(port().Connected());
    EXPECT_FALSE(device().IsOpen());
}

TEST_F(PortLifecycle, ANewNameOnAClosedPortIsOnlyStored) {
    TraceNotifications(port());
    port().SetPort(UniqueDeviceName());
    EXPECT_TRUE(trace.empty());
    EXPECT_FALSE(port().Connected());
}

TEST_F(PortLifecycle, TheDeliveryMethodCannotChangeWhileOpen) {
    port().SetSyncMethod(smNone);
    EXPECT_EQ(port().SyncMethod(), smNone);
    port().OpenPort();
    ExpectComError([&] { port().SetSyncMethod(smThreadSync); }, CError_ConnChangeProp, -1);
    EXPECT_EQ(port().SyncMethod(), smNone);
    port().SetSyncMethod(smNone); // the current value is no change
    port().ClosePort();
    port().SetSyncMethod(smWindowSync);
    EXPECT_EQ(port().SyncMethod(), smWindowSync);
}

// ---- Loading -------------------------------------------------------------------------------

// Captures what the application's default error handling would show.
class ShownErrors {
public:
    ShownErrors() {
        Application::Instance().SetErrorHandler(
            [this](const std::string&, const std::string& message) {
                messages.push_back(message);
            });
    }
    ~ShownErrors() { Application::Instance().SetErrorHandler(nullptr); }
    std::vector<std::string> messages;
};

TEST_F(PortLifecycle, LoadingRecordsConnectedAndOpensAtItsEnd) {
    port().BeginLoading();
    port().SetConnected(true);
    port().SetBaudRate(br57600);
    port().FlowControl().SetXonChar(19); // no device sees this yet
    port().FlowControl().SetXonChar(17);
    port().SetSyncMethod(smNone);
    port().SetPort(UniqueDeviceName()); // neither closes nor opens anything yet
    port().SetPort(vp.Name());
    EXPECT_TRUE(port().Connected()); // recorded
    EXPECT_FALSE(device().IsOpen());
    EXPECT_TRUE(vp.DeviceCalls().empty());

    port().EndLoading();
    EXPECT_TRUE(port().Connected());
    EXPECT_TRUE(device().IsOpen());
    EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CreateFile}, configuration));
    EXPECT_EQ(vp.EntriesOf(Call::SetCommState).back().dcb.BaudRate, 57600u);
    EXPECT_EQ(port().SyncMethod(), smNone);

    // Loaded and open: setters apply again.
    port().SetBaudRate(br1200);
    EXPECT_EQ(vp.EntriesOf(Call::SetCommState).back().dcb.BaudRate, 1200u);
}

TEST_F(PortLifecycle, LoadingWithoutConnectedLeavesThePortClosed) {
    port().BeginLoading();
    port().SetBaudRate(br57600);
    port().EndLoading();
    EXPECT_FALSE(port().Connected());
    EXPECT_TRUE(vp.DeviceCalls().empty());
}

TEST_F(PortLifecycle, AnErrorOpeningAtTheEndOfLoadingIsShownNotRaised) {
    ShownErrors shown;
    port().BeginLoading();
    port().SetPort(UniqueDeviceName());
    port().SetConnected(true);
    EXPECT_NO_THROW(port().EndLoading());
    EXPECT_EQ(shown.messages,
              std::vector<std::string>{"Porta Com n\xE3o dispon\xEDvel (win error code: 2)"});
    EXPECT_FALSE(port().Connected());
    EXPECT_EQ(port().Handle(), win::INVALID_HANDLE_VALUE);
}

// ---- Destruction ---------------------------------------------------------------------------

TEST_F(PortLifecycle, DestroyingAnOpenPortClosesIt) {
    auto doomed = std::make_unique<ProbePort>();
    doomed->SetEvents({});
    doomed->SetPort(vp.Name());
    doomed->OpenPort();
    TraceNotifications(*doomed);
    doomed.reset();
    EXPECT_EQ(trace, (std::vector<std::string>{"BeforeClose", "AfterClose"}));
    EXPECT_FALSE(device().IsOpen());
}

TEST_F(PortLifecycle, AFailedCloseWhileDestroyingIsShownAndTheDeviceStillCloses) {
    ShownErrors shown;
    auto doomed = std::make_unique<ProbePort>();
    doomed->SetEvents({});
    doomed->SetPort(vp.Name());
    doomed->OpenPort();
    doomed->OnBeforeClose = [](TObject*) { throw std::runtime_error("refused to close"); };
    doomed.reset();
    EXPECT_EQ(shown.messages, std::vector<std::string>{"refused to close"});
    EXPECT_FALSE(device().IsOpen());
    // The device is free for the next user.
    port().OpenPort();
    EXPECT_TRUE(port().Connected());
}

// A purge that fails because the device has gone away must not keep the port open for
// good; any other purge failure keeps it open so that the caller can try again.
TEST_F(PortLifecycle, APurgeFailureKeepsThePortOpenUnlessTheDeviceIsGone) {
    struct Case {
        const char* name;
        win::DWORD purgeError;
        bool closes;
    };
    const Case cases[] = {
        {"device removed", win::ERROR_BAD_COMMAND, true},
        {"device not connected", win::ERROR_DEVICE_NOT_CONNECTED, true},
        {"generic failure", win::ERROR_GEN_FAILURE, false},
        {"access denied", win::ERROR_ACCESS_DENIED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port().OpenPort();
        device().FailNext(Call::PurgeComm, c.purgeError);
        if (c.closes) {
            port().ClosePort();
            EXPECT_FALSE(port().Connected());
            EXPECT_FALSE(device().IsOpen());
        } else {
            ExpectComError([&] { port().ClosePort(); }, 5, static_cast<int>(c.purgeError));
            EXPECT_TRUE(port().Connected());
            port().ClosePort();
        }
    }
}

TEST_F(PortLifecycle, AnUnpluggedDeviceCanBeClosedAndReopenedOnceBack) {
    port().OpenPort();
    device().Unplug();
    port().ClosePort();
    EXPECT_FALSE(port().Connected());
    EXPECT_EQ(port().Handle(), win::INVALID_HANDLE_VALUE);
    ExpectComError([&] { port().OpenPort(); }, 1, 2);
    device().Replug();
    port().OpenPort();
    EXPECT_TRUE(port().Connected());
}

// Follows a port the way a lamp or a combo box does.
class Follower : public TComponent {
public:
    using TComponent::TComponent;
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == followed) {
            followed = nullptr;
            ++removals;
        }
    }
    TComponent* followed = nullptr;
    int removals = 0;
};

TEST_F(PortLifecycle, TheOwnerFreesThePortWhichTellsItsFollowers) {
    Follower follower;
    auto owner = std::make_unique<TComponent>();
    auto* owned = new ProbePort(owner.get());
    owned->SetEvents({});
    owned->SetPort(vp.Name());
    owned->OpenPort();
    follower.followed = owned;
    owned->FreeNotification(&follower);

    owner.reset();
    EXPECT_EQ(follower.removals, 1);
    EXPECT_EQ(follower.followed, nullptr);
    EXPECT_FALSE(device().IsOpen());
}

} // namespace
} // namespace tavrin
