// Reception: what the port receives goes into the reception pane, and the DSR line tells
// whether a device is there.

#include "app/main/ReceptionPane.h"
#include "app/main/UnitPrincipal.h"

#include <string>
#include <string_view>
#include <utility>

namespace tavrin {

void TQuelt::ComPortRxChar(TObject*, std::int32_t Count) {
    if (Count <= 0)
        return;
    // Once the pane has more waiting than it can show soon, what arrives stays in the
    // port's queue (and then in the device's end of the line) until a frame makes room:
    // nothing is lost and memory stays bounded.
    if (pane_->Full()) {
        receiveHeld_ = true;
        return;
    }
    std::string chunk;
    ComPort->ReadText(chunk, Count);
    traffic_.Received(chunk);
    ShowReceived(chunk);
}

void TQuelt::ReceiveHeldBack() {
    if (!std::exchange(receiveHeld_, false) || !ComPort->Connected())
        return;
    const std::int32_t waiting = ComPort->InputQueueCount();
    if (waiting > 0)
        ComPortRxChar(ComPort, waiting);
}

void TQuelt::ShowReceived(const std::string& chunk) {
    if (chunk.empty())
        return;
    // A form feed opening a chunk starts the pane afresh; anywhere else it is a character
    // like any other.
    const bool wipe = chunk.front() == '\f';
    std::string_view shown(chunk);
    if (wipe)
        shown.remove_prefix(1);
    // The pane holds text, which has no NUL; the board's own commands end in one, so an
    // echo followed by its answer in the same chunk must lose only the NUL.
    std::string text(shown);
    std::erase(text, '\0');
    if (wipe)
        pane_->Replace(text);
    else
        pane_->Append(text);
}

void TQuelt::ComPortDSRChange(TObject*, bool OnOff) {
    HardwareDetected = OnOff;
    traffic_.DsrChanged(OnOff);
}

} // namespace tavrin
