// Placeholder for the event thread, the handling routines, links and transfers, which
// arrive with the event engine. Everything here is a harmless no-op so that the lifecycle
// can be built and tested on its own. DELETE this file when the real ones land.

#include "serial/CPort.h"

namespace tavrin {

void TCustomComPort::HandleRxChar() {}
void TCustomComPort::HandleRxFlag() {}
void TCustomComPort::HandleTxEmpty() {}
void TCustomComPort::HandleCTSChange() {}
void TCustomComPort::HandleDSRChange() {}
void TCustomComPort::HandleRLSDChange() {}
void TCustomComPort::HandleBreak() {}
void TCustomComPort::HandleError() {}
void TCustomComPort::HandleRing() {}
void TCustomComPort::HandleRx80Full() {}
void TCustomComPort::HandleBeforeOpen() { FireBeforeOpen(); }
void TCustomComPort::HandleAfterOpen() { FireAfterOpen(); }
void TCustomComPort::HandleBeforeClose() { FireBeforeClose(); }
void TCustomComPort::HandleAfterClose() { FireAfterClose(); }
void TCustomComPort::ReportModemLines(bool) {}
void TCustomComPort::StartEventThread() {}
void TCustomComPort::StopEventThread() {}
void TCustomComPort::AbortTransfers() {}
void TCustomComPort::AttachLink(TComLink*) {}
void TCustomComPort::DetachLink(TComLink*) {}

} // namespace tavrin
