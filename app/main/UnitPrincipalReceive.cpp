// Reception: what the port receives goes into the reception pane, and the DSR line tells
// whether a device is there.

#include "app/main/ReceptionPane.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/Ansi.h"

#include <string>
#include <string_view>

namespace tavrin {

void TQuelt::ComPortRxChar(TObject*, std::int32_t Count) {
    if (Count <= 0)
        return;
    std::string chunk;
    ComPort->ReadText(chunk, Count);
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
    std::string text8(shown);
    std::erase(text8, '\0');
    const QString text = FromAnsi(text8);
    if (wipe)
        pane_->Replace(text);
    else
        pane_->Append(text);
}

void TQuelt::ComPortDSRChange(TObject*, bool OnOff) {
    HardwareDetected = OnOff;
}

} // namespace tavrin
