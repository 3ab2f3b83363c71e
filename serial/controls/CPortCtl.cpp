// The signal lamp's behaviour: binding to a port, the link slot its signal chooses, its
// state and the ring timer. Its pictures and painting are in CPortCtlLedPaint.cpp.

#include "serial/controls/CPortCtl.h"

#include "base/Application.h"
#include "serial/controls/CPortCtlGuard.h"

#include <QEvent>
#include <QTimer>

namespace tavrin {

EResNotFound::EResNotFound(const std::string& resourceName)
    : Exception("Resource " + resourceName + " not found") {}

TComLed::TComLed(QWidget* parent) : QWidget(parent) {
    resize(25, 25);
    link_ = std::make_unique<TComLink>();
    link_->OnConn = [this](TObject* Sender, bool OnOff) { SignalChanged(Sender, OnOff); };
    // The pictures start empty; the first paint or a change of kind loads them.
    ringTimer_ = std::make_unique<QTimer>();
    connect(ringTimer_.get(), &QTimer::timeout, this,
            [this] { ctl::RunReported([this] { RingTimeout(); }); });
}

TComLed::~TComLed() {
    ringTimer_.reset();
    glyphOn_ = QPixmap();
    glyphOff_ = QPixmap();
    // Unbinding tells OnChange that the lamp went dark; an error from the handler must not
    // leave the destructor, and the link is off the port's list by then.
    ctl::RunReported([this] { SetComPort(nullptr); });
    link_.reset();
}

void TComLed::SetComPort(TCustomComPort* value) {
    if (value == comPort_)
        return;
    if (comPort_) {
        comPort_->DetachLink(link_.get());
        // A lamp that moves from port to port keeps no claim on the ports it left.
        RemoveFreeNotification(comPort_);
    }
    comPort_ = value;
    if (!comPort_) {
        ApplyState(lsOff);
        return;
    }
    comPort_->FreeNotification(this);
    comPort_->AttachLink(link_.get());
    const TComponentState componentState = ComponentState();
    if (!comPort_->Connected() || componentState.Contains(csDesigning) ||
        componentState.Contains(csLoading))
        return;
    // The port announced its lines when it opened, before this lamp listened: read them.
    switch (ledSignal_) {
    case lsConn:
        ApplyState(lsOn);
        break;
    case lsCTS:
        ApplyState(comPort_->ReadSignals().Contains(msCTS) ? lsOn : lsOff);
        break;
    case lsDSR:
        ApplyState(comPort_->ReadSignals().Contains(msDSR) ? lsOn : lsOff);
        break;
    case lsRLSD:
        ApplyState(comPort_->ReadSignals().Contains(msRLSD) ? lsOn : lsOff);
        break;
    default:
        ApplyState(lsOff);
        break;
    }
}

void TComLed::SetLedSignal(TComLedSignal value) {
    if (value == ledSignal_)
        return;
    ledSignal_ = value;
    TComLink& link = *link_;
    link.OnConn = nullptr;
    link.OnCTSChange = nullptr;
    link.OnDSRChange = nullptr;
    link.OnRLSDChange = nullptr;
    link.OnRing = nullptr;
    link.OnTx = nullptr;
    link.OnRx = nullptr;
    const TComSignalEvent changed = [this](TObject* Sender, bool OnOff) {
        SignalChanged(Sender, OnOff);
    };
    switch (value) {
    case lsConn:
        link.OnConn = changed;
        break;
    case lsCTS:
        link.OnCTSChange = changed;
        break;
    case lsDSR:
        link.OnDSRChange = changed;
        break;
    case lsRLSD:
        link.OnRLSDChange = changed;
        break;
    case lsRing:
        link.OnRing = [this](TObject* Sender) { RingDetected(Sender); };
        break;
    case lsRx:
        link.OnRx = changed;
        break;
    case lsTx:
        link.OnTx = changed;
        break;
    }
}

void TComLed::SetState(TLedState value) {
    if (comPort_)
        throw EComPort(CError_LedStateFailed);
    ApplyState(value);
}

void TComLed::SetRingDuration(std::int32_t value) {
    if (value == ringDuration_)
        return;
    ringDuration_ = value;
    if (ringTimerEnabled_)
        StartRingTimer();
}

void TComLed::StartRingTimer() {
    ringTimer_->stop();
    // A timer without a positive interval never fires: the lamp then stays lit.
    if (ringDuration_ > 0)
        ringTimer_->start(ringDuration_);
}

void TComLed::ApplyState(TLedState value) {
    state_ = value;
    // The repaint is asked for first, so that the picture follows the state even when
    // the handler below fails.
    update();
    if (!ComponentState().Contains(csLoading))
        StateChanged(value);
}

void TComLed::StateChanged(TLedState value) {
    if (OnChange)
        OnChange(this, value);
}

void TComLed::SignalChanged(TObject*, bool OnOff) {
    ApplyState(OnOff ? lsOn : lsOff);
    // The repaint happens now, not when the caller gets back to the event loop.
    Application::Instance().ProcessMessages();
}

void TComLed::RingDetected(TObject*) {
    // The first ring of a burst starts the count; later ones do not restart it.
    if (!ringTimerEnabled_) {
        ringTimerEnabled_ = true;
        StartRingTimer();
    }
    ApplyState(lsOn);
}

void TComLed::RingTimeout() {
    ringTimerEnabled_ = false;
    ringTimer_->stop();
    ApplyState(lsOff);
}

void TComLed::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove || !comPort_ || component != comPort_)
        return;
    // The port is in its destructor: nothing may leave this call.
    ctl::RunReported([this] { SetComPort(nullptr); });
}

void TComLed::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

} // namespace tavrin
