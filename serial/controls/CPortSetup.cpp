#include "serial/controls/CPortSetup.h"

#include "platform/winapi/DeviceChanges.h"
#include "serial/controls/CPortCtlGuard.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSocketNotifier>

#include <memory>

namespace tavrin {

TComSetupFrm::TComSetupFrm(QWidget* parent) : QDialog(parent) {
    // Watching starts before the layout reads the device list, so that no change after the
    // reading goes unseen.
    deviceChanges_ = std::make_unique<win::DeviceChanges>();
    setupUi(this);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // A fixed dialog frame: title, system menu and close box, no resizing.
    setWindowFlags((windowFlags() & Qt::WindowType_Mask) | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(231, 216);
    // Centred on the screen, not over whichever window happens to be active.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    // The layout places the first list 16 pixels below the box's top, where a classic group
    // box has its caption across the frame line. Styles that put the caption above the frame
    // would run the line through the list.
    GroupBox1->setStyleSheet(QStringLiteral(
        "QGroupBox#GroupBox1 { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox#GroupBox1::title { subcontrol-origin: margin; left: 6px; padding: 0px; }"));
    FollowDevices();
}

TComSetupFrm::~TComSetupFrm() {
    // The notifier stops waiting on the descriptor before the watch closes it.
    delete deviceNotifier_;
}

void TComSetupFrm::FollowDevices() {
    if (deviceChanges_->Descriptor() < 0)
        return;
    deviceNotifier_ =
        new QSocketNotifier(deviceChanges_->Descriptor(), QSocketNotifier::Read, this);
    connect(deviceNotifier_, &QSocketNotifier::activated, this, [this] {
        ctl::RunReported([this] {
            if (deviceChanges_->TakeChanges())
                Combo1->RefillItems();
        });
    });
}

void TComSetupFrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RunSetupDialog(TCustomComPort& port) {
    auto form = std::make_unique<TComSetupFrm>();
    const auto combos = form->Combos();
    for (TComComboBox* combo : combos)
        combo->SetComPort(&port);
    for (TComComboBox* combo : combos)
        combo->ReadFromPort();
    if (form->exec() != QDialog::Accepted)
        return;
    // The modal loop runs everything else of the program: a port destroyed meanwhile has
    // unbound the combo boxes and must not be touched.
    if (form->Combo1->ComPort() != &port)
        return;
    port.BeginConfigUpdate();
    try {
        for (TComComboBox* combo : combos)
            combo->ApplyToPort();
    } catch (...) {
        // The first failure is the one to report; the update still ends.
        try {
            port.EndConfigUpdate();
        } catch (...) {
        }
        throw;
    }
    port.EndConfigUpdate();
}

void TCustomComPort::ShowSetup() {
    RunSetupDialog(*this);
}

} // namespace tavrin
