// The settings values of a port: the text forms of the enumerations, their device values,
// and the four settings objects a port owns. A field setter stores and then asks the owning
// port to apply; the port decides whether anything reaches a device (open, not deferred,
// not loading), so these objects never talk to a device themselves.

#include "serial/CPort.h"

#include <array>
#include <cstddef>

namespace tavrin {

namespace {

constexpr std::array<const char*, 16> baudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<win::DWORD, 16> baudRateValues = {0,     110,    300,    600,   1200,  2400,
                                                       4800,  9600,   14400,  19200, 38400, 56000,
                                                       57600, 115200, 128000, 256000};
constexpr std::array<const char*, 4> dataBitsTexts = {"5", "6", "7", "8"};
constexpr std::array<const char*, 3> stopBitsTexts = {"1", "1.5", "2"};
constexpr std::array<const char*, 5> parityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 4> flowControlTexts = {"Hardware", "Software", "None", "Custom"};
constexpr std::array<const char*, 3> dtrTexts = {"Disable", "Enable", "Handshake"};
constexpr std::array<const char*, 4> rtsTexts = {"Disable", "Enable", "Handshake", "Toggle"};

// Only ASCII letters fold: the texts are 8-bit and a code page's accented letters must
// compare as they are, and blanks are significant ("9600 " is not "9600").
char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualFolded(const std::string& text, const char* entry) {
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        if (entry[i] == '\0' || FoldAscii(text[i]) != FoldAscii(entry[i]))
            return false;
    }
    return entry[i] == '\0';
}

template <class E, std::size_t N>
E FromText(const std::array<const char*, N>& texts, const std::string& text, E fallback) {
    for (std::size_t i = 0; i < N; ++i) {
        if (EqualFolded(text, texts[i]))
            return static_cast<E>(i);
    }
    return fallback;
}

// An out-of-range value (a byte that a caller cast into the enumeration) must not index
// past the table.
template <class E, std::size_t N>
std::string ToText(const std::array<const char*, N>& texts, E value) {
    const auto index = static_cast<std::size_t>(value);
    return index < N ? texts[index] : "";
}

} // namespace

win::DWORD BaudRateValue(TBaudRate rate) {
    const auto index = static_cast<std::size_t>(rate);
    return index < baudRateValues.size() ? baudRateValues[index] : 0;
}

std::string BaudRateToText(TBaudRate value) {
    return ToText(baudRateTexts, value);
}
TBaudRate TextToBaudRate(const std::string& text) {
    return FromText(baudRateTexts, text, br9600);
}
std::string DataBitsToText(TDataBits value) {
    return ToText(dataBitsTexts, value);
}
TDataBits TextToDataBits(const std::string& text) {
    return FromText(dataBitsTexts, text, dbEight);
}
std::string StopBitsToText(TStopBits value) {
    return ToText(stopBitsTexts, value);
}
TStopBits TextToStopBits(const std::string& text) {
    return FromText(stopBitsTexts, text, sbOneStopBit);
}
std::string ParityToText(TParityBits value) {
    return ToText(parityTexts, value);
}
TParityBits TextToParity(const std::string& text) {
    return FromText(parityTexts, text, prNone);
}
std::string FlowControlToText(TFlowControl value) {
    return ToText(flowControlTexts, value);
}
TFlowControl TextToFlowControl(const std::string& text) {
    return FromText(flowControlTexts, text, fcCustom);
}
std::string DtrControlToText(TDTRFlowControl value) {
    return ToText(dtrTexts, value);
}
TDTRFlowControl TextToDtrControl(const std::string& text) {
    return FromText(dtrTexts, text, dtrDisable);
}
std::string RtsControlToText(TRTSFlowControl value) {
    return ToText(rtsTexts, value);
}
TRTSFlowControl TextToRtsControl(const std::string& text) {
    return FromText(rtsTexts, text, rtsDisable);
}

// ---- TComFlowControl ----------------------------------------------------------------------

namespace {
// Compare and store; a setter applies only when this reports a change.
template <class T> bool Store(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void TComFlowControl::Apply() {
    if (ownerPort_)
        ownerPort_->ApplyDeviceControl();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
    if (Store(outCTSFlow_, value))
        Apply();
}
void TComFlowControl::SetOutDSRFlow(bool value) {
    if (Store(outDSRFlow_, value))
        Apply();
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
    if (Store(controlDTR_, value))
        Apply();
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
    if (Store(controlRTS_, value))
        Apply();
}
void TComFlowControl::SetXonXoffOut(bool value) {
    if (Store(xonXoffOut_, value))
        Apply();
}
void TComFlowControl::SetXonXoffIn(bool value) {
    if (Store(xonXoffIn_, value))
        Apply();
}
void TComFlowControl::SetDSRSensitivity(bool value) {
    if (Store(dsrSensitivity_, value))
        Apply();
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
    if (Store(txContinueOnXoff_, value))
        Apply();
}
void TComFlowControl::SetXonChar(char value) {
    if (Store(xonChar_, value))
        Apply();
}
void TComFlowControl::SetXoffChar(char value) {
    if (Store(xoffChar_, value))
        Apply();
}

TFlowControl TComFlowControl::FlowControl() const {
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_)
        return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    // The fields are written directly so that an open device gets one control block for the
    // whole preset, not one per field.
    if (value != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
        if (value == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (value == fcSoftware) {
            xonXoffIn_ = true;
            xonXoffOut_ = true;
        }
    }
    Apply();
}

void TComFlowControl::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TComFlowControl*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->outCTSFlow_ = outCTSFlow_;
    other->outDSRFlow_ = outDSRFlow_;
    other->controlDTR_ = controlDTR_;
    other->controlRTS_ = controlRTS_;
    other->xonXoffOut_ = xonXoffOut_;
    other->xonXoffIn_ = xonXoffIn_;
    other->dsrSensitivity_ = dsrSensitivity_;
    other->txContinueOnXoff_ = txContinueOnXoff_;
    other->xonChar_ = xonChar_;
    other->xoffChar_ = xoffChar_;
}

// ---- TComParity ----------------------------------------------------------------------------

void TComParity::Apply() {
    if (ownerPort_)
        ownerPort_->ApplyDeviceControl();
}

void TComParity::SetBits(TParityBits value) {
    if (Store(bits_, value))
        Apply();
}
void TComParity::SetCheck(bool value) {
    if (Store(check_, value))
        Apply();
}
void TComParity::SetReplace(bool value) {
    if (Store(replace_, value))
        Apply();
}
void TComParity::SetReplaceChar(char value) {
    if (Store(replaceChar_, value))
        Apply();
}

void TComParity::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TComParity*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->bits_ = bits_;
    other->check_ = check_;
    other->replace_ = replace_;
    other->replaceChar_ = replaceChar_;
}

// ---- TComTimeouts --------------------------------------------------------------------------

void TComTimeouts::Apply() {
    if (ownerPort_)
        ownerPort_->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
    if (Store(readInterval_, value))
        Apply();
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
    if (Store(readTotalMultiplier_, value))
        Apply();
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
    if (Store(readTotalConstant_, value))
        Apply();
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
    if (Store(writeTotalMultiplier_, value))
        Apply();
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
    if (Store(writeTotalConstant_, value))
        Apply();
}

void TComTimeouts::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TComTimeouts*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->readInterval_ = readInterval_;
    other->readTotalMultiplier_ = readTotalMultiplier_;
    other->readTotalConstant_ = readTotalConstant_;
    other->writeTotalMultiplier_ = writeTotalMultiplier_;
    other->writeTotalConstant_ = writeTotalConstant_;
}

// ---- TComBuffer ----------------------------------------------------------------------------

namespace {
// Drivers want even queue sizes; zero and negative values are the driver's to refuse.
std::int32_t EvenSize(std::int32_t value) {
    return (value > 0 && value % 2 != 0) ? value - 1 : value;
}
} // namespace

void TComBuffer::Apply() {
    if (ownerPort_)
        ownerPort_->ApplyBufferSizes();
}

// The equality test is made on the value as given, so asking for 1025 while 1024 is held
// still re-applies the sizes.
void TComBuffer::SetInputSize(std::int32_t value) {
    if (inputSize_ == value)
        return;
    inputSize_ = EvenSize(value);
    Apply();
}

void TComBuffer::SetOutputSize(std::int32_t value) {
    if (outputSize_ == value)
        return;
    outputSize_ = EvenSize(value);
    Apply();
}

void TComBuffer::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TComBuffer*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->inputSize_ = inputSize_;
    other->outputSize_ = outputSize_;
}

} // namespace tavrin
