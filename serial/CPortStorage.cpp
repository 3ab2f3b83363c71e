// Stored settings. Storing is not available yet: saving reports that it failed, and
// restoring reports that it failed after the configuration bracket has been closed, so an
// open device is left configured from the settings it already had.

#include "serial/CPort.h"

namespace tavrin {

void TCustomComPort::SaveSettings(TSettingsStorage, const std::string&) {
    throw EComPort(CError_StoreFailed);
}

void TCustomComPort::RestoreSettings(TSettingsStorage, const std::string&) {
    BeginConfigUpdate();
    try {
        EndConfigUpdate();
    } catch (...) {
        // Any failure of a restore is reported as the one error below.
    }
    throw EComPort(CError_LoadFailed);
}

void TCustomComPort::SaveToRegistry(TRegistry&) {}
void TCustomComPort::SaveToIniFile(TIniFile&) {}
void TCustomComPort::RestoreFromRegistry(TRegistry&) {}
void TCustomComPort::RestoreFromIniFile(TIniFile&) {}

} // namespace tavrin
