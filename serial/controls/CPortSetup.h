#pragma once

// The port setup dialog: device, baud rate, data bits, stop bits, parity and flow control
// of one port, each a combo box bound to the port. The port is written only when the user
// presses OK.

#include "serial/controls/CPortCtlCombo.h"
#include "ui_CPortSetup.h"

#include <QDialog>

#include <array>
#include <memory>

class QSocketNotifier;

namespace win {
class DeviceChanges;
}

namespace tavrin {

class TComSetupFrm : public QDialog, public Ui::ComSetupFrm {
    Q_OBJECT
public:
    // Built from its stored layout, which fills the combo boxes' lists: the device list is
    // read here, and an error reading it (EReadError) leaves no form behind.
    explicit TComSetupFrm(QWidget* parent = nullptr);
    ~TComSetupFrm() override;

    // The six combo boxes, from the device down to the flow control.
    std::array<TComComboBox*, 6> Combos() const {
        return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6};
    }

protected:
    // Escape is bound to no button: only the close box cancels besides "Cancel".
    void keyPressEvent(QKeyEvent* event) override;

private:
    // While the dialog is open, the device list follows the devices that come and go.
    void FollowDevices();

    std::unique_ptr<win::DeviceChanges> deviceChanges_;
    QSocketNotifier* deviceNotifier_ = nullptr;
};

// Shows the setup dialog for `port` modally. OK writes the six values into the port inside
// one configuration update, so an open device is configured once; Cancel and the close box
// write nothing. A failing write reaches the caller after the update has ended.
void RunSetupDialog(TCustomComPort& port);

} // namespace tavrin
