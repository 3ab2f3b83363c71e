// The port's property setters. Each compares first (an equal value does nothing), stores,
// and hands the change to an open device through the matching apply operation, which
// itself does nothing while the port is closed, deferred or loading.

#include "serial/CPort.h"

namespace tavrin {

namespace {
template <class T> bool Store(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void TCustomComPort::SetBaudRate(TBaudRate value) {
    if (Store(baudRate_, value))
        ApplyDeviceControl();
}

void TCustomComPort::SetCustomBaudRate(std::int32_t value) {
    if (Store(customBaudRate_, value))
        ApplyDeviceControl();
}

void TCustomComPort::SetStopBits(TStopBits value) {
    if (Store(stopBits_, value))
        ApplyDeviceControl();
}

void TCustomComPort::SetDataBits(TDataBits value) {
    if (Store(dataBits_, value))
        ApplyDeviceControl();
}

void TCustomComPort::SetDiscardNull(bool value) {
    if (Store(discardNull_, value))
        ApplyDeviceControl();
}

void TCustomComPort::SetEventChar(char value) {
    if (Store(eventChar_, value))
        ApplyDeviceControl();
}

// The name is compared byte for byte: "com1" is another name than "COM1" and reopens.
void TCustomComPort::SetPort(const std::string& value) {
    if (!Store(port_, value))
        return;
    if (connected_ && !ComponentState().Contains(csLoading)) {
        ClosePort();
        OpenPort();
    }
}

// The running event thread keeps the mask it was started with; a new set counts from the
// next opening.
void TCustomComPort::SetEvents(TComEvents value) {
    events_ = value;
}

// The event thread picks its delivery method when it starts and keeps it for life.
void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == syncMethod_)
        return;
    if (connected_ && !ComponentState().Contains(csLoading))
        throw EComPort(CError_ConnChangeProp);
    syncMethod_ = value;
}

void TCustomComPort::SetParity(const TComParity& value) {
    parity_->Assign(&value);
    ApplyDeviceControl();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
    flowControl_->Assign(&value);
    ApplyDeviceControl();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
    timeouts_->Assign(&value);
    ApplyTimeoutSettings();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
    buffer_->Assign(&value);
    ApplyBufferSizes();
}

} // namespace tavrin
