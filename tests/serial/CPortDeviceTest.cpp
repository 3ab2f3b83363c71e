// The device side of the port through a virtual device: the control block, settings
// applied to an open device and stored on a closed one, deferred configuration, and the
// queries for input, modem lines and line errors.

#include "support/PortExpect.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tavrin {
namespace {

using testing::ExpectComError;
using testing::ProbePort;
using testing::UniqueDeviceName;
using testing::VirtualPort;
using win::virt::Call;
using Calls = std::vector<Call>;

// ---- The control block ---------------------------------------------------------------------

void ExpectSameDcb(const win::DCB& actual, const win::DCB& expected) {
    EXPECT_EQ(actual.DCBlength, expected.DCBlength);
    EXPECT_EQ(actual.BaudRate, expected.BaudRate);
    EXPECT_EQ(win::DcbFlags(actual), win::DcbFlags(expected));
    EXPECT_EQ(actual.fDummy2, 0u);
    EXPECT_EQ(actual.XonLim, expected.XonLim);
    EXPECT_EQ(actual.XoffLim, expected.XoffLim);
    EXPECT_EQ(actual.ByteSize, expected.ByteSize);
    EXPECT_EQ(actual.Parity, expected.Parity);
    EXPECT_EQ(actual.StopBits, expected.StopBits);
    EXPECT_EQ(actual.XonChar, expected.XonChar);
    EXPECT_EQ(actual.XoffChar, expected.XoffChar);
    EXPECT_EQ(actual.ErrorChar, expected.ErrorChar);
    EXPECT_EQ(actual.EofChar, expected.EofChar);
    EXPECT_EQ(actual.EvtChar, expected.EvtChar);
}

// The block of a new port, written out by hand.
win::DCB DefaultDcb() {
    win::DCB dcb{};
    dcb.DCBlength = 28;
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.XonLim = 256;
    dcb.XoffLim = 256;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

TEST(DeviceControlBlock, IsBuiltFromTheSettings) {
    struct Case {
        const char* what;
        std::function<void(ProbePort&)> setup;
        std::function<void(win::DCB&)> expected; // changes to the default block
        win::DWORD flags;
    };
    const Case cases[] = {
        {"defaults", [](ProbePort&) {}, [](win::DCB&) {}, 1},
        {"main window's port: DTR enabled, RTS handshake",
         [](ProbePort& p) {
             p.FlowControl().SetControlDTR(dtrEnable);
             p.FlowControl().SetControlRTS(rtsHandshake);
         },
         [](win::DCB& d) {
             d.fDtrControl = 1;
             d.fRtsControl = 2;
         },
         8209},
        {"custom rate passed unchanged",
         [](ProbePort& p) {
             p.SetBaudRate(brCustom);
             p.SetCustomBaudRate(250);
         },
         [](win::DCB& d) { d.BaudRate = 250; }, 1},
        {"custom rate ignored unless custom", [](ProbePort& p) { p.SetCustomBaudRate(250); },
         [](win::DCB&) {}, 1},
        {"listed rate", [](ProbePort& p) { p.SetBaudRate(br115200); },
         [](win::DCB& d) { d.BaudRate = 115200; }, 1},
        {"replace without check does nothing",
         [](ProbePort& p) {
             p.Parity().SetReplace(true);
             p.Parity().SetReplaceChar('?');
         },
         [](win::DCB&) {}, 1},
        {"check alone",
         [](ProbePort& p) {
             p.Parity().SetCheck(true);
             p.Parity().SetReplaceChar('?');
         },
         [](win::DCB& d) { d.fParity = 1; }, 1 | 2},
        {"check and replace",
         [](ProbePort& p) {
             p.Parity().SetCheck(true);
             p.Parity().SetReplace(true);
             p.Parity().SetReplaceChar('?');
         },
         [](win::DCB& d) {
             d.fParity = 1;
             d.fErrorChar = 1;
             d.ErrorChar = '?';
         },
         1 | 2 | 1024},
        {"every other flag at its bit",
         [](ProbePort& p) {
             TComFlowControl& f = p.FlowControl();
             f.SetOutCTSFlow(true);
             f.SetOutDSRFlow(true);
             f.SetControlDTR(dtrHandshake);
             f.SetDSRSensitivity(true);
             f.SetTxContinueOnXoff(true);
             f.SetXonXoffOut(true);
             f.SetXonXoffIn(true);
             f.SetControlRTS(rtsToggle);
             p.SetDiscardNull(true);
         },
         [](win::DCB& d) {
             d.fOutxCtsFlow = d.fOutxDsrFlow = d.fDsrSensitivity = d.fTXContinueOnXoff = 1;
             d.fOutX = d.fInX = d.fNull = 1;
             d.fDtrControl = 2;
             d.fRtsControl = 3;
         },
         1 | 4 | 8 | 32 | 64 | 128 | 256 | 512 | 2048 | 12288},
        {"RTS enable", [](ProbePort& p) { p.FlowControl().SetControlRTS(rtsEnable); },
         [](win::DCB& d) { d.fRtsControl = 1; }, 1 | 4096},
        {"frame and characters",
         [](ProbePort& p) {
             p.SetDataBits(dbFive);
             p.SetStopBits(sbOne5StopBits);
             p.Parity().SetBits(prSpace);
             p.FlowControl().SetXonChar('Q');
             p.FlowControl().SetXoffChar('S');
             p.SetEventChar('\n');
         },
         [](win::DCB& d) {
             d.ByteSize = 5;
             d.StopBits = 1;
             d.Parity = 4;
             d.XonChar = 'Q';
             d.XoffChar = 'S';
             d.EvtChar = '\n';
         },
         1},
        {"limits truncate a quarter of the input size",
         [](ProbePort& p) { p.Buffer().SetInputSize(1030); },
         [](win::DCB& d) { d.XonLim = d.XoffLim = 257; }, 1},
        {"limits keep 16 bits", [](ProbePort& p) { p.Buffer().SetInputSize(0x40008); },
         [](win::DCB& d) { d.XonLim = d.XoffLim = 2; }, 1},
        {"limits of a negative size", [](ProbePort& p) { p.Buffer().SetInputSize(-8); },
         [](win::DCB& d) { d.XonLim = d.XoffLim = 0xFFFE; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProbePort port;
        c.setup(port);
        win::DCB expected = DefaultDcb();
        c.expected(expected);
        const win::DCB dcb = port.BuildDeviceControlBlock();
        ExpectSameDcb(dcb, expected);
        EXPECT_EQ(win::DcbFlags(dcb), c.flags);
    }
}

// ---- Settings on open and closed ports ---------------------------------------------------

const Calls configuration = {Call::SetupComm, Call::SetCommState, Call::SetCommTimeouts};

Calls Concat(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Most tests run without events so that no event thread is involved.
class PortDevice : public ::testing::Test {
protected:
    PortDevice() { port().SetEvents({}); }

    ProbePort& port() { return vp.Port(); }
    win::virt::VirtualDevice& device() { return vp.Device(); }

    VirtualPort vp;
};

struct SetterCase {
    const char* what;
    std::function<void(ProbePort&)> change;
    Calls callsWhileOpen;
    std::function<void(VirtualPort&)> deviceHasIt;
};

win::DCB LastState(VirtualPort& v) {
    const auto entries = v.EntriesOf(Call::SetCommState);
    return entries.empty() ? win::DCB{} : entries.back().dcb;
}
win::COMMTIMEOUTS LastTimeouts(VirtualPort& v) {
    const auto entries = v.EntriesOf(Call::SetCommTimeouts);
    return entries.empty() ? win::COMMTIMEOUTS{} : entries.back().timeouts;
}
win::DWORD LastInputSize(VirtualPort& v) {
    const auto entries = v.EntriesOf(Call::SetupComm);
    return entries.empty() ? 0 : entries.back().arg1;
}

const std::vector<SetterCase> setterCases = {
    {"BaudRate",
     [](ProbePort& p) { p.SetBaudRate(br115200); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).BaudRate, 115200u); }},
    {"CustomBaudRate while a listed rate is chosen",
     [](ProbePort& p) { p.SetCustomBaudRate(250); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).BaudRate, 9600u); }},
    {"custom rate",
     [](ProbePort& p) {
         p.SetCustomBaudRate(250);
         p.SetBaudRate(brCustom);
     },
     {Call::SetCommState, Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).BaudRate, 250u); }},
    {"DataBits",
     [](ProbePort& p) { p.SetDataBits(dbSeven); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).ByteSize, 7); }},
    {"StopBits",
     [](ProbePort& p) { p.SetStopBits(sbTwoStopBits); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).StopBits, 2); }},
    {"DiscardNull",
     [](ProbePort& p) { p.SetDiscardNull(true); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).fNull, 1u); }},
    {"EventChar",
     [](ProbePort& p) { p.SetEventChar('E'); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).EvtChar, 'E'); }},
    {"Parity.Bits",
     [](ProbePort& p) { p.Parity().SetBits(prEven); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).Parity, 2); }},
    {"flow-control preset",
     [](ProbePort& p) { p.FlowControl().SetFlowControl(fcHardware); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(win::DcbFlags(LastState(v)), 1u | 4u | 8192u); }},
    {"Timeouts field",
     [](ProbePort& p) { p.Timeouts().SetReadInterval(20); },
     {Call::SetCommTimeouts},
     [](VirtualPort& v) { EXPECT_EQ(LastTimeouts(v).ReadIntervalTimeout, 20u); }},
    {"Timeouts object",
     [](ProbePort& p) {
         TComTimeouts t;
         t.SetWriteTotalConstant(5);
         p.SetTimeouts(t);
     },
     {Call::SetCommTimeouts},
     [](VirtualPort& v) { EXPECT_EQ(LastTimeouts(v).WriteTotalTimeoutConstant, 5u); }},
    {"Buffer field",
     [](ProbePort& p) { p.Buffer().SetInputSize(2048); },
     {Call::SetupComm},
     [](VirtualPort& v) { EXPECT_EQ(LastInputSize(v), 2048u); }},
    {"Parity object, unchanged",
     [](ProbePort& p) { p.SetParity(TComParity{}); },
     {Call::SetCommState},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).Parity, 0); }},
    {"equal value",
     [](ProbePort& p) { p.SetBaudRate(br9600); },
     {},
     [](VirtualPort& v) { EXPECT_EQ(LastState(v).BaudRate, 9600u); }},
    {"Events", [](ProbePort& p) { p.SetEvents({evRxChar}); }, {}, [](VirtualPort&) {}},
};

TEST(PortSettings, OnAnOpenPortAChangeIsAppliedAtOnce) {
    for (const SetterCase& c : setterCases) {
        SCOPED_TRACE(c.what);
        VirtualPort v;
        v.Port().SetEvents({});
        v.Port().OpenPort();
        const std::size_t before = v.DeviceCalls().size();
        c.change(v.Port());
        const Calls calls = v.DeviceCalls();
        EXPECT_EQ(Calls(calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end()),
                  c.callsWhileOpen);
        c.deviceHasIt(v);
    }
}

TEST(PortSettings, OnAClosedPortAChangeIsStoredAndAppliedAtOpening) {
    for (const SetterCase& c : setterCases) {
        SCOPED_TRACE(c.what);
        VirtualPort v;
        v.Port().SetEvents({});
        c.change(v.Port()); // would raise if it reached for the (invalid) handle
        EXPECT_TRUE(v.DeviceCalls().empty());
        v.Port().OpenPort();
        c.deviceHasIt(v);
    }
}

TEST_F(PortDevice, ANewInputSizeReachesTheLimitsWithTheNextControlBlock) {
    port().OpenPort();
    port().Buffer().SetInputSize(4096);
    EXPECT_EQ(LastState(vp).XonLim, 256);
    port().SetBaudRate(br19200);
    EXPECT_EQ(LastState(vp).XonLim, 1024);
    EXPECT_EQ(LastState(vp).XoffLim, 1024);
}

TEST_F(PortDevice, AFailedApplyKeepsTheValueAndThePortOpen) {
    port().OpenPort();
    // The driver refuses equal XON and XOFF characters.
    ExpectComError([&] { port().FlowControl().SetXonChar(19); }, CError_SetStateFailed, 87);
    EXPECT_EQ(port().FlowControl().XonChar(), 19);
    EXPECT_TRUE(port().Connected());
    EXPECT_TRUE(device().IsOpen());

    device().FailNext(Call::SetCommTimeouts, win::ERROR_GEN_FAILURE);
    ExpectComError([&] { port().Timeouts().SetReadTotalConstant(7); }, CError_TimeoutsFailed, 31);
    EXPECT_EQ(port().Timeouts().ReadTotalConstant(), 7);

    device().FailNext(Call::SetupComm, win::ERROR_INVALID_PARAMETER);
    ExpectComError([&] { port().Buffer().SetOutputSize(64); }, CError_SetupComFailed, 87);
    EXPECT_EQ(port().Buffer().OutputSize(), 64);
    EXPECT_TRUE(port().Connected());
}

// A value no device can take (a byte cast into an enumeration, a negative queue size) is
// refused like an unknown baud rate: the step's error with the driver's invalid-parameter
// code, nothing of it reaching the device, on an open port as at opening.
TEST(PortSettings, ValuesOutsideTheirRangeAreRefused) {
    const struct Row {
        const char* what;
        std::function<void(ProbePort&)> change;
        int error;
    } rows[] = {
        {"baud rate", [](ProbePort& p) { p.SetBaudRate(static_cast<TBaudRate>(16)); },
         CError_SetStateFailed},
        {"data bits 9", [](ProbePort& p) { p.SetDataBits(static_cast<TDataBits>(4)); },
         CError_SetStateFailed},
        {"stop bits", [](ProbePort& p) { p.SetStopBits(static_cast<TStopBits>(3)); },
         CError_SetStateFailed},
        {"parity 7", [](ProbePort& p) { p.Parity().SetBits(static_cast<TParityBits>(7)); },
         CError_SetStateFailed},
        {"DTR control",
         [](ProbePort& p) { p.FlowControl().SetControlDTR(static_cast<TDTRFlowControl>(3)); },
         CError_SetStateFailed},
        {"RTS control",
         [](ProbePort& p) { p.FlowControl().SetControlRTS(static_cast<TRTSFlowControl>(4)); },
         CError_SetStateFailed},
        {"negative input size", [](ProbePort& p) { p.Buffer().SetInputSize(-2); },
         CError_SetupComFailed},
        {"negative output size", [](ProbePort& p) { p.Buffer().SetOutputSize(-1024); },
         CError_SetupComFailed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        {
            VirtualPort v;
            v.Port().SetEvents({});
            v.Port().OpenPort();
            const win::DCB before = v.Device().LastDcb();
            const win::DWORD queueBefore = v.Device().InQueueSize();
            v.Device().ClearJournal();
            ExpectComError([&] { row.change(v.Port()); }, row.error, 87);
            EXPECT_TRUE(v.Port().Connected());
            EXPECT_TRUE(v.DeviceCalls().empty()) << "nothing reached the device";
            EXPECT_EQ(win::DcbFlags(v.Device().LastDcb()), win::DcbFlags(before));
            EXPECT_EQ(v.Device().InQueueSize(), queueBefore);
        }
        {
            VirtualPort v;
            v.Port().SetEvents({});
            row.change(v.Port()); // a closed port only stores
            ExpectComError([&] { v.Port().OpenPort(); }, row.error, 87);
            EXPECT_FALSE(v.Port().Connected());
            EXPECT_FALSE(v.Device().IsOpen());
        }
    }
}

TEST_F(PortDevice, ABracketConfiguresAnOpenDeviceOnceAtTheOutermostEnd) {
    port().OpenPort();
    device().ClearJournal();

    port().BeginConfigUpdate();
    port().BeginConfigUpdate();
    port().SetBaudRate(br19200);
    port().Parity().SetBits(prOdd);
    port().Timeouts().SetReadInterval(5);
    port().Buffer().SetInputSize(512);
    port().FlowControl().SetFlowControl(fcSoftware);
    port().EndConfigUpdate();
    EXPECT_EQ(port().UpdateCount(), 1);
    EXPECT_TRUE(vp.DeviceCalls().empty());

    port().EndConfigUpdate();
    EXPECT_EQ(port().UpdateCount(), 0);
    EXPECT_EQ(vp.DeviceCalls(), configuration);
    EXPECT_EQ(LastInputSize(vp), 512u);
    const win::DCB dcb = LastState(vp);
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.Parity, 1);
    EXPECT_EQ(dcb.XonLim, 128);
    EXPECT_EQ(dcb.fInX, 1u);
    EXPECT_EQ(LastTimeouts(vp).ReadIntervalTimeout, 5u);

    device().ClearJournal();
    port().EndConfigUpdate(); // one too many
    EXPECT_EQ(port().UpdateCount(), 0);
    EXPECT_TRUE(vp.DeviceCalls().empty());
    port().BeginConfigUpdate();
    port().EndConfigUpdate(); // nothing changed: still configured once
    EXPECT_EQ(vp.DeviceCalls(), configuration);
}

TEST_F(PortDevice, OpeningInsideABracketConfiguresAtItsEnd) {
    port().BeginConfigUpdate();
    port().OpenPort();
    EXPECT_TRUE(port().Connected());
    EXPECT_EQ(vp.DeviceCalls(), Calls{Call::CreateFile});
    port().EndConfigUpdate();
    EXPECT_EQ(vp.DeviceCalls(), Concat({Call::CreateFile}, configuration));

    // On a closed port the end of a bracket touches nothing.
    port().ClosePort();
    device().ClearJournal();
    port().BeginConfigUpdate();
    port().SetBaudRate(br300);
    port().EndConfigUpdate();
    EXPECT_TRUE(vp.DeviceCalls().empty());
}

// ---- Queries -------------------------------------------------------------------------------

TEST_F(PortDevice, QueriesOnAClosedPortFailOnTheInvalidHandle) {
    struct Case {
        const char* what;
        std::function<void()> query;
        int number;
    };
    const Case cases[] = {
        {"InputQueueCount", [&] { port().InputQueueCount(); }, CError_ClearComFailed},
        {"ReadSignals", [&] { port().ReadSignals(); }, CError_ModemStatFailed},
        {"ReadLineErrors", [&] { port().ReadLineErrors(); }, CError_ClearComFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectComError(c.query, c.number, win::ERROR_INVALID_HANDLE);
    }
}

TEST_F(PortDevice, InputQueueCountIsWhatWaits) {
    port().OpenPort();
    EXPECT_EQ(port().InputQueueCount(), 0);
    device().Inject("hello");
    EXPECT_EQ(port().InputQueueCount(), 5);
}

TEST_F(PortDevice, ReadSignalsReportsTheLinesThatAreOn) {
    port().OpenPort();
    EXPECT_TRUE(port().ReadSignals().Empty());
    device().SetCTS(true);
    EXPECT_EQ(port().ReadSignals(), TModemSignals{msCTS});
    device().SetDSR(true);
    device().SetRLSD(true);
    EXPECT_EQ(port().ReadSignals(), (TModemSignals{msCTS, msDSR, msRLSD}));
    device().SetCTS(false);
    EXPECT_EQ(port().ReadSignals(), (TModemSignals{msDSR, msRLSD}));
}

TEST_F(PortDevice, ReadLineErrorsMapsTheDriverFlags) {
    struct Case {
        win::DWORD mask;
        TComErrors expected;
    };
    const Case cases[] = {
        {win::CE_FRAME, {errFrame}},
        {win::CE_RXPARITY, {errParity}},
        {win::CE_OVERRUN, {errOverrun}},
        {win::CE_RXOVER, {errRxOverflow}},
        {win::CE_TXFULL, {errTxFull}},
        {win::CE_BREAK, {errBreak}},
        {win::CE_IOE, {errIO}},
        {win::CE_MODE, {errMode}},
        {win::CE_FRAME | win::CE_OVERRUN | win::CE_BREAK, {errFrame, errOverrun, errBreak}},
    };
    port().Parity().SetCheck(true);
    port().OpenPort();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        device().InjectErrors(c.mask);
        EXPECT_EQ(port().ReadLineErrors(), c.expected);
    }
}

TEST_F(PortDevice, ParityErrorsCountOnlyWhileCheckingAndReadingClearsThem) {
    port().OpenPort();
    device().InjectErrors(win::CE_RXPARITY | win::CE_FRAME);
    EXPECT_EQ(port().ReadLineErrors(), TComErrors{errFrame});
    EXPECT_TRUE(port().ReadLineErrors().Empty());

    port().Parity().SetCheck(true);
    device().InjectErrors(win::CE_RXPARITY | win::CE_FRAME);
    EXPECT_EQ(port().ReadLineErrors(), (TComErrors{errFrame, errParity}));
    EXPECT_TRUE(port().ReadLineErrors().Empty());

    // Asking for the queue count clears the driver's flags too, but the port keeps them for
    // the next reading of the errors.
    device().InjectErrors(win::CE_RXPARITY);
    port().InputQueueCount();
    EXPECT_EQ(port().ReadLineErrors(), TComErrors{errParity});
    EXPECT_TRUE(port().ReadLineErrors().Empty());
    // Not beyond the session they came in.
    device().InjectErrors(win::CE_FRAME);
    port().InputQueueCount();
    port().ClosePort();
    port().OpenPort();
    EXPECT_TRUE(port().ReadLineErrors().Empty());
}

} // namespace
} // namespace tavrin
