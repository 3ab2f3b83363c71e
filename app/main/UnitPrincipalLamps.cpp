// The main window's two lamps: both follow the window's port, ComLed2 whether it is open,
// ComLed1 whether a device asserts DSR.

#include "app/main/UnitPrincipal.h"

namespace tavrin {

void TQuelt::BindLamps() {
    const struct {
        TComLed* lamp;
        TComLedSignal signal;
    } lamps[] = {{ComLed2, lsConn}, {ComLed1, lsDSR}};
    for (const auto& [lamp, signal] : lamps) {
        lamp->BeginLoading();
        lamp->SetComPort(ComPort);
        lamp->SetLedSignal(signal);
        lamp->SetKind(lkRedLight);
        lamp->EndLoading();
    }
}

} // namespace tavrin
