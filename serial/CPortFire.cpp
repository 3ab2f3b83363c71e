// The firing operations: the one place where the port calls its published notifications,
// so that a derived port can take any of them over.

#include "serial/CPort.h"

namespace tavrin {

void TCustomComPort::FireAfterClose() {
    if (OnAfterClose)
        OnAfterClose(this);
}
void TCustomComPort::FireAfterOpen() {
    if (OnAfterOpen)
        OnAfterOpen(this);
}
void TCustomComPort::FireBeforeClose() {
    if (OnBeforeClose)
        OnBeforeClose(this);
}
void TCustomComPort::FireBeforeOpen() {
    if (OnBeforeOpen)
        OnBeforeOpen(this);
}
void TCustomComPort::FireRxChar(std::int32_t Count) {
    if (OnRxChar)
        OnRxChar(this, Count);
}
void TCustomComPort::FireRxBuf(const void* Buffer, std::int32_t Count) {
    if (OnRxBuf)
        OnRxBuf(this, Buffer, Count);
}
void TCustomComPort::FireTxEmpty() {
    if (OnTxEmpty)
        OnTxEmpty(this);
}
void TCustomComPort::FireBreak() {
    if (OnBreak)
        OnBreak(this);
}
void TCustomComPort::FireRing() {
    if (OnRing)
        OnRing(this);
}
void TCustomComPort::FireRxFlag() {
    if (OnRxFlag)
        OnRxFlag(this);
}
void TCustomComPort::FireCTSChange(bool OnOff) {
    if (OnCTSChange)
        OnCTSChange(this, OnOff);
}
void TCustomComPort::FireDSRChange(bool OnOff) {
    if (OnDSRChange)
        OnDSRChange(this, OnOff);
}
void TCustomComPort::FireError(TComErrors Errors) {
    if (OnError)
        OnError(this, Errors);
}
void TCustomComPort::FireRLSDChange(bool OnOff) {
    if (OnRLSDChange)
        OnRLSDChange(this, OnOff);
}
void TCustomComPort::FireRx80Full() {
    if (OnRx80Full)
        OnRx80Full(this);
}

} // namespace tavrin
