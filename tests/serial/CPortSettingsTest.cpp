// The settings model: text forms of the enumerations, the flow-control preset, the settings
// objects' setters and copying. No device is involved: the probe port counts which apply
// operation a change asks for.

#include "support/ProbePort.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tavrin {
namespace {

using testing::ProbePort;

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    return text;
}
std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c);
    return text;
}

// ---- Text forms ----------------------------------------------------------------------------

struct EnumTexts {
    const char* name;
    std::vector<std::string> texts; // by ordinal
    std::function<std::string(int)> toText;
    std::function<int(const std::string&)> fromText;
};

template <class E> std::function<std::string(int)> To(std::string (*f)(E)) {
    return [f](int v) { return f(static_cast<E>(v)); };
}
template <class E> std::function<int(const std::string&)> From(E (*f)(const std::string&)) {
    return [f](const std::string& t) { return static_cast<int>(f(t)); };
}

const std::vector<EnumTexts> enumTexts = {
    {"BaudRate",
     {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
      "56000", "57600", "115200", "128000", "256000"},
     To(&BaudRateToText),
     From(&TextToBaudRate)},
    {"DataBits", {"5", "6", "7", "8"}, To(&DataBitsToText), From(&TextToDataBits)},
    {"StopBits", {"1", "1.5", "2"}, To(&StopBitsToText), From(&TextToStopBits)},
    {"Parity", {"None", "Odd", "Even", "Mark", "Space"}, To(&ParityToText), From(&TextToParity)},
    {"FlowControl",
     {"Hardware", "Software", "None", "Custom"},
     To(&FlowControlToText),
     From(&TextToFlowControl)},
    {"DtrControl",
     {"Disable", "Enable", "Handshake"},
     To(&DtrControlToText),
     From(&TextToDtrControl)},
    {"RtsControl",
     {"Disable", "Enable", "Handshake", "Toggle"},
     To(&RtsControlToText),
     From(&TextToRtsControl)},
};

TEST(SettingsText, EveryValueConvertsBothWaysInAnyLetterCase) {
    for (const EnumTexts& e : enumTexts) {
        for (int v = 0; v < static_cast<int>(e.texts.size()); ++v) {
            const std::string& text = e.texts[static_cast<std::size_t>(v)];
            SCOPED_TRACE(std::string(e.name) + " " + text);
            EXPECT_EQ(e.toText(v), text);
            EXPECT_EQ(e.fromText(text), v);
            EXPECT_EQ(e.fromText(Lower(text)), v);
            EXPECT_EQ(e.fromText(Upper(text)), v);
        }
    }
}

struct FromTextCase {
    const char* what;
    std::function<int(const std::string&)> convert;
    std::string text;
    int expected;
};

TEST(SettingsText, UnmatchedTextGivesTheFixedFallback) {
    const FromTextCase cases[] = {
        {"mixed case custom rate", From(&TextToBaudRate), "cUsToM", brCustom},
        {"unlisted rate", From(&TextToBaudRate), "12345", br9600},
        {"empty rate", From(&TextToBaudRate), "", br9600},
        {"trailing blank is kept", From(&TextToBaudRate), "9600 ", br9600},
        {"leading blank is kept", From(&TextToBaudRate), " 110", br9600},
        {"prefix of a text", From(&TextToBaudRate), "11", br9600},
        {"longer than a text", From(&TextToBaudRate), "1100", br9600},
        {"empty data bits", From(&TextToDataBits), "", dbEight},
        {"unlisted data bits", From(&TextToDataBits), "9", dbEight},
        {"comma is not a point", From(&TextToStopBits), "1,5", sbOneStopBit},
        {"one and a half", From(&TextToStopBits), "1.5", sbOne5StopBits},
        {"empty stop bits", From(&TextToStopBits), "", sbOneStopBit},
        {"none as parity", From(&TextToParity), "none", prNone},
        {"unlisted parity", From(&TextToParity), "Parity", prNone},
        {"none as flow control", From(&TextToFlowControl), "none", fcNone},
        {"unlisted flow control is custom", From(&TextToFlowControl), "Xon", fcCustom},
        {"empty flow control is custom", From(&TextToFlowControl), "", fcCustom},
        {"toggle is an RTS text", From(&TextToRtsControl), "toggle", rtsToggle},
        {"toggle is no DTR text", From(&TextToDtrControl), "toggle", dtrDisable},
        {"empty DTR", From(&TextToDtrControl), "", dtrDisable},
        {"empty RTS", From(&TextToRtsControl), "", rtsDisable},
        // Only ASCII letters fold: an accented capital must not match its small letter.
        {"no folding beyond ASCII", From(&TextToParity), "\xC9ven", prNone},
    };
    for (const FromTextCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.convert(c.text), c.expected);
    }
}

TEST(SettingsText, ValuesOutsideAnEnumerationHaveNoText) {
    EXPECT_EQ(BaudRateToText(static_cast<TBaudRate>(16)), "");
    EXPECT_EQ(RtsControlToText(static_cast<TRTSFlowControl>(255)), "");
    EXPECT_EQ(BaudRateValue(static_cast<TBaudRate>(200)), 0u);
}

TEST(SettingsText, BaudRateDeviceValueIsTheRateItNames) {
    EXPECT_EQ(BaudRateValue(brCustom), 0u);
    for (int v = br110; v <= br256000; ++v) {
        const auto rate = static_cast<TBaudRate>(v);
        EXPECT_EQ(std::to_string(BaudRateValue(rate)), BaudRateToText(rate));
    }
}

// ---- The flow-control preset ---------------------------------------------------------------

struct FlowFields {
    TRTSFlowControl rts = rtsDisable;
    bool outCTS = false;
    bool xonIn = false;
    bool xonOut = false;
    TDTRFlowControl dtr = dtrDisable;
    bool outDSR = false;
    bool dsrSensitivity = false;
    bool txContinue = false;
    char xon = 17;
    char xoff = 19;
};

void Fill(TComFlowControl& flow, const FlowFields& f) {
    flow.SetControlRTS(f.rts);
    flow.SetOutCTSFlow(f.outCTS);
    flow.SetXonXoffIn(f.xonIn);
    flow.SetXonXoffOut(f.xonOut);
    flow.SetControlDTR(f.dtr);
    flow.SetOutDSRFlow(f.outDSR);
    flow.SetDSRSensitivity(f.dsrSensitivity);
    flow.SetTxContinueOnXoff(f.txContinue);
    flow.SetXonChar(f.xon);
    flow.SetXoffChar(f.xoff);
}

FlowFields Read(const TComFlowControl& flow) {
    return {flow.ControlRTS(), flow.OutCTSFlow(), flow.XonXoffIn(),      flow.XonXoffOut(),
            flow.ControlDTR(), flow.OutDSRFlow(), flow.DSRSensitivity(), flow.TxContinueOnXoff(),
            flow.XonChar(),    flow.XoffChar()};
}

void ExpectFields(const FlowFields& actual, const FlowFields& expected) {
    EXPECT_EQ(actual.rts, expected.rts);
    EXPECT_EQ(actual.outCTS, expected.outCTS);
    EXPECT_EQ(actual.xonIn, expected.xonIn);
    EXPECT_EQ(actual.xonOut, expected.xonOut);
    EXPECT_EQ(actual.dtr, expected.dtr);
    EXPECT_EQ(actual.outDSR, expected.outDSR);
    EXPECT_EQ(actual.dsrSensitivity, expected.dsrSensitivity);
    EXPECT_EQ(actual.txContinue, expected.txContinue);
    EXPECT_EQ(actual.xon, expected.xon);
    EXPECT_EQ(actual.xoff, expected.xoff);
}

TEST(FlowControlPreset, IsReadFromTheFourFlowFields) {
    struct Case {
        const char* what;
        FlowFields fields;
        TFlowControl expected;
    };
    const Case cases[] = {
        {"defaults", {}, fcNone},
        {"hardware", {.rts = rtsHandshake, .outCTS = true}, fcHardware},
        {"software", {.xonIn = true, .xonOut = true}, fcSoftware},
        {"main window's port: RTS handshake without CTS flow",
         {.rts = rtsHandshake, .dtr = dtrEnable},
         fcCustom},
        {"RTS enable", {.rts = rtsEnable}, fcCustom},
        {"RTS toggle", {.rts = rtsToggle}, fcCustom},
        {"CTS flow without RTS handshake", {.outCTS = true}, fcCustom},
        {"hardware with XON/XOFF in",
         {.rts = rtsHandshake, .outCTS = true, .xonIn = true},
         fcCustom},
        {"XON/XOFF one way only", {.xonOut = true}, fcCustom},
        {"other fields play no part",
         {.dtr = dtrHandshake,
          .outDSR = true,
          .dsrSensitivity = true,
          .txContinue = true,
          .xon = 'A',
          .xoff = 'A'},
         fcNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TComFlowControl flow;
        Fill(flow, c.fields);
        EXPECT_EQ(flow.FlowControl(), c.expected);
    }
}

TEST(FlowControlPreset, WritingSetsTheFourFlowFieldsAndAppliesOnce) {
    // Every field away from its default, so that a field the preset must not touch shows.
    const FlowFields busy{.rts = rtsToggle,
                          .outCTS = true,
                          .xonIn = true,
                          .xonOut = false,
                          .dtr = dtrHandshake,
                          .outDSR = true,
                          .dsrSensitivity = true,
                          .txContinue = true,
                          .xon = 'A',
                          .xoff = 'B'};
    struct Case {
        TFlowControl preset;
        TRTSFlowControl rts;
        bool outCTS, xonIn, xonOut;
    };
    const Case cases[] = {
        {fcHardware, rtsHandshake, true, false, false},
        {fcSoftware, rtsDisable, false, true, true},
        {fcNone, rtsDisable, false, false, false},
        {fcCustom, busy.rts, busy.outCTS, busy.xonIn, busy.xonOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FlowControlToText(c.preset));
        ProbePort port;
        Fill(port.FlowControl(), busy);
        port.ResetRequests();

        port.FlowControl().SetFlowControl(c.preset);

        FlowFields expected = busy;
        expected.rts = c.rts;
        expected.outCTS = c.outCTS;
        expected.xonIn = c.xonIn;
        expected.xonOut = c.xonOut;
        ExpectFields(Read(port.FlowControl()), expected);
        // One control block for the whole preset, also when nothing changed (custom).
        EXPECT_EQ(port.deviceControlRequests, 1);
        if (c.preset != fcCustom) {
            EXPECT_EQ(port.FlowControl().FlowControl(), c.preset);
        }
    }
}

// ---- Field setters -------------------------------------------------------------------------

enum ApplyKind { DeviceControl, Timeouts, Buffers };

struct SetterCase {
    const char* field;
    std::function<void(ProbePort&)> set; // sets a value other than the default
    std::function<bool(ProbePort&)> stored;
    ApplyKind kind;
};

const std::vector<SetterCase> setterCases = {
    {"OutCTSFlow", [](ProbePort& p) { p.FlowControl().SetOutCTSFlow(true); },
     [](ProbePort& p) { return p.FlowControl().OutCTSFlow(); }, DeviceControl},
    {"OutDSRFlow", [](ProbePort& p) { p.FlowControl().SetOutDSRFlow(true); },
     [](ProbePort& p) { return p.FlowControl().OutDSRFlow(); }, DeviceControl},
    {"ControlDTR", [](ProbePort& p) { p.FlowControl().SetControlDTR(dtrEnable); },
     [](ProbePort& p) { return p.FlowControl().ControlDTR() == dtrEnable; }, DeviceControl},
    {"ControlRTS", [](ProbePort& p) { p.FlowControl().SetControlRTS(rtsToggle); },
     [](ProbePort& p) { return p.FlowControl().ControlRTS() == rtsToggle; }, DeviceControl},
    {"XonXoffOut", [](ProbePort& p) { p.FlowControl().SetXonXoffOut(true); },
     [](ProbePort& p) { return p.FlowControl().XonXoffOut(); }, DeviceControl},
    {"XonXoffIn", [](ProbePort& p) { p.FlowControl().SetXonXoffIn(true); },
     [](ProbePort& p) { return p.FlowControl().XonXoffIn(); }, DeviceControl},
    {"DSRSensitivity", [](ProbePort& p) { p.FlowControl().SetDSRSensitivity(true); },
     [](ProbePort& p) { return p.FlowControl().DSRSensitivity(); }, DeviceControl},
    {"TxContinueOnXoff", [](ProbePort& p) { p.FlowControl().SetTxContinueOnXoff(true); },
     [](ProbePort& p) { return p.FlowControl().TxContinueOnXoff(); }, DeviceControl},
    {"XonChar", [](ProbePort& p) { p.FlowControl().SetXonChar('Q'); },
     [](ProbePort& p) { return p.FlowControl().XonChar() == 'Q'; }, DeviceControl},
    {"XoffChar", [](ProbePort& p) { p.FlowControl().SetXoffChar('S'); },
     [](ProbePort& p) { return p.FlowControl().XoffChar() == 'S'; }, DeviceControl},
    {"Parity.Bits", [](ProbePort& p) { p.Parity().SetBits(prSpace); },
     [](ProbePort& p) { return p.Parity().Bits() == prSpace; }, DeviceControl},
    {"Parity.Check", [](ProbePort& p) { p.Parity().SetCheck(true); },
     [](ProbePort& p) { return p.Parity().Check(); }, DeviceControl},
    {"Parity.Replace", [](ProbePort& p) { p.Parity().SetReplace(true); },
     [](ProbePort& p) { return p.Parity().Replace(); }, DeviceControl},
    {"Parity.ReplaceChar", [](ProbePort& p) { p.Parity().SetReplaceChar('?'); },
     [](ProbePort& p) { return p.Parity().ReplaceChar() == '?'; }, DeviceControl},
    {"ReadInterval", [](ProbePort& p) { p.Timeouts().SetReadInterval(5); },
     [](ProbePort& p) { return p.Timeouts().ReadInterval() == 5; }, Timeouts},
    {"ReadTotalMultiplier", [](ProbePort& p) { p.Timeouts().SetReadTotalMultiplier(6); },
     [](ProbePort& p) { return p.Timeouts().ReadTotalMultiplier() == 6; }, Timeouts},
    {"ReadTotalConstant", [](ProbePort& p) { p.Timeouts().SetReadTotalConstant(7); },
     [](ProbePort& p) { return p.Timeouts().ReadTotalConstant() == 7; }, Timeouts},
    {"WriteTotalMultiplier", [](ProbePort& p) { p.Timeouts().SetWriteTotalMultiplier(8); },
     [](ProbePort& p) { return p.Timeouts().WriteTotalMultiplier() == 8; }, Timeouts},
    {"WriteTotalConstant", [](ProbePort& p) { p.Timeouts().SetWriteTotalConstant(9); },
     [](ProbePort& p) { return p.Timeouts().WriteTotalConstant() == 9; }, Timeouts},
    {"InputSize", [](ProbePort& p) { p.Buffer().SetInputSize(4096); },
     [](ProbePort& p) { return p.Buffer().InputSize() == 4096; }, Buffers},
    {"OutputSize", [](ProbePort& p) { p.Buffer().SetOutputSize(4096); },
     [](ProbePort& p) { return p.Buffer().OutputSize() == 4096; }, Buffers},
};

TEST(SettingsObjects, EachFieldStoresAndAsksItsPortForTheMatchingApply) {
    for (const SetterCase& c : setterCases) {
        SCOPED_TRACE(c.field);
        ProbePort port;
        c.set(port);
        EXPECT_TRUE(c.stored(port));
        EXPECT_EQ(port.deviceControlRequests, c.kind == DeviceControl ? 1 : 0);
        EXPECT_EQ(port.timeoutRequests, c.kind == Timeouts ? 1 : 0);
        EXPECT_EQ(port.bufferRequests, c.kind == Buffers ? 1 : 0);

        port.ResetRequests();
        c.set(port); // the same value again
        EXPECT_EQ(port.deviceControlRequests + port.timeoutRequests + port.bufferRequests, 0);
    }
}

TEST(SettingsObjects, WithoutAnOwningPortOnlyStore) {
    TComFlowControl flow;
    TComParity parity;
    TComTimeouts timeouts;
    TComBuffer buffer;
    flow.SetXonChar('X');
    flow.SetFlowControl(fcHardware);
    parity.SetCheck(true);
    timeouts.SetReadInterval(3);
    buffer.SetInputSize(11);
    EXPECT_EQ(flow.OwnerPort(), nullptr);
    EXPECT_EQ(flow.XonChar(), 'X');
    EXPECT_EQ(flow.FlowControl(), fcHardware);
    EXPECT_TRUE(parity.Check());
    EXPECT_EQ(timeouts.ReadInterval(), 3);
    EXPECT_EQ(buffer.InputSize(), 10);
}

TEST(SettingsObjects, BufferSizesAreStoredEven) {
    struct Case {
        std::int32_t given;
        std::int32_t stored;
        int applies;
    };
    // Every row starts from the default 1024.
    const Case cases[] = {
        {1025, 1024, 1}, // differs from 1024 as given, so it is applied although 1024 stays
        {7, 6, 1},       {-3, -3, 1}, {0, 0, 1}, {2048, 2048, 1}, {1024, 1024, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        ProbePort port;
        port.Buffer().SetInputSize(c.given);
        port.Buffer().SetOutputSize(c.given);
        EXPECT_EQ(port.Buffer().InputSize(), c.stored);
        EXPECT_EQ(port.Buffer().OutputSize(), c.stored);
        EXPECT_EQ(port.bufferRequests, 2 * c.applies);
        EXPECT_EQ(port.deviceControlRequests, 0); // limits wait for the next control block
    }
}

// ---- Copying -------------------------------------------------------------------------------

TEST(SettingsObjects, CopyTakesEveryFieldWithoutApplying) {
    TComFlowControl flow;
    Fill(flow, {.rts = rtsToggle,
                .outCTS = true,
                .xonIn = true,
                .xonOut = true,
                .dtr = dtrHandshake,
                .outDSR = true,
                .dsrSensitivity = true,
                .txContinue = true,
                .xon = 'A',
                .xoff = 'B'});
    TComParity parity;
    parity.SetBits(prMark);
    parity.SetCheck(true);
    parity.SetReplace(true);
    parity.SetReplaceChar('?');
    TComTimeouts timeouts;
    timeouts.SetReadInterval(1);
    timeouts.SetReadTotalMultiplier(2);
    timeouts.SetReadTotalConstant(3);
    timeouts.SetWriteTotalMultiplier(4);
    timeouts.SetWriteTotalConstant(5);
    TComBuffer buffer;
    buffer.SetInputSize(64);
    buffer.SetOutputSize(32);

    ProbePort port;
    port.FlowControl().Assign(&flow);
    port.Parity().Assign(&parity);
    port.Timeouts().Assign(&timeouts);
    port.Buffer().Assign(&buffer);

    EXPECT_EQ(port.deviceControlRequests + port.timeoutRequests + port.bufferRequests, 0);
    ExpectFields(Read(port.FlowControl()), Read(flow));
    EXPECT_EQ(port.Parity().Bits(), prMark);
    EXPECT_TRUE(port.Parity().Check());
    EXPECT_TRUE(port.Parity().Replace());
    EXPECT_EQ(port.Parity().ReplaceChar(), '?');
    EXPECT_EQ(port.Timeouts().ReadInterval(), 1);
    EXPECT_EQ(port.Timeouts().ReadTotalMultiplier(), 2);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 3);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 4);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 5);
    EXPECT_EQ(port.Buffer().InputSize(), 64);
    EXPECT_EQ(port.Buffer().OutputSize(), 32);
    // The owner is not a setting: the port keeps its objects.
    EXPECT_EQ(port.FlowControl().OwnerPort(), &port);
    EXPECT_EQ(flow.OwnerPort(), nullptr);
}

TEST(SettingsObjects, PortPropertiesCopyThenApplyEvenWhenNothingChanged) {
    ProbePort port;
    port.SetParity(TComParity{});
    port.SetFlowControl(TComFlowControl{});
    port.SetTimeouts(TComTimeouts{});
    port.SetBuffer(TComBuffer{});
    EXPECT_EQ(port.deviceControlRequests, 2);
    EXPECT_EQ(port.timeoutRequests, 1);
    EXPECT_EQ(port.bufferRequests, 1);

    const TComTimeouts* own = &port.Timeouts();
    TComTimeouts timeouts;
    timeouts.SetWriteTotalConstant(42);
    port.SetTimeouts(timeouts);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 42);
    EXPECT_EQ(&port.Timeouts(), own); // copied into, not replaced
    EXPECT_EQ(port.Timeouts().OwnerPort(), &port);
}

TEST(SettingsObjects, CopyFromAnotherClassOrNothingFails) {
    TComBuffer buffer;
    TComParity parity;
    try {
        buffer.Assign(&parity);
        FAIL() << "copied a parity into a buffer";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TComParity to a TComBuffer");
    }
    try {
        parity.Assign(nullptr);
        FAIL() << "copied nothing";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TComParity");
    }
    EXPECT_EQ(buffer.InputSize(), 1024);
}

} // namespace
} // namespace tavrin
