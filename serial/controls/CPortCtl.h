#pragma once

// Controls that follow a serial port: Qt widgets over the toolkit-free port of CPort.h.
//
// TComLed is a lamp showing one signal of a port, lit or dark. Bound to a port it follows
// the port through a link; unbound, the program switches it through State.

#include "base/Component.h"
#include "base/Exception.h"
#include "serial/CPort.h"

#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace tavrin {

// The toolkit's error for a picture the program's resources lack: "Resource <name> not
// found".
class EResNotFound : public Exception {
public:
    explicit EResNotFound(const std::string& resourceName);
};

// ---- Signal lamp -------------------------------------------------------------------------

// The first seven link notices, in the same order.
enum TComLedSignal : std::uint8_t { lsConn, lsCTS, lsDSR, lsRLSD, lsRing, lsRx, lsTx };
enum TLedKind : std::uint8_t {
    lkRedLight,
    lkGreenLight,
    lkBlueLight,
    lkYellowLight,
    lkPurpleLight,
    lkBulb,
    lkCustom
};
enum TLedState : std::uint8_t { lsOff, lsOn };

using TLedStateEvent = std::function<void(TObject* Sender, TLedState AState)>;

// A windowless lamp: it draws only its picture and lets its parent show around it. It is a
// component as well, so that the port it is bound to can tell it when the port goes away.
class TComLed : public QWidget, public TComponent {
    Q_OBJECT
public:
    explicit TComLed(QWidget* parent = nullptr);
    ~TComLed() override;
    const char* ClassName() const override { return "TComLed"; }

    // The port whose signal is shown; null for none.
    TCustomComPort* ComPort() const { return comPort_; }
    void SetComPort(TCustomComPort* value);

    TComLedSignal LedSignal() const { return ledSignal_; }
    // Chooses the link slot the port reaches the lamp through; the state is not re-read.
    void SetLedSignal(TComLedSignal value);

    TLedKind Kind() const { return kind_; }
    // Loads the kind's picture pair (lkCustom keeps the present pictures). A picture
    // missing from the resources raises EResNotFound; the kind is then already stored.
    void SetKind(TLedKind value);

    // The lamp's own pictures: index 0 lit, 1 dark. Writes count only for lkCustom: the
    // given picture is made transparent where it has the colour of its bottom-left pixel
    // (the caller's picture too), then copied.
    const QPixmap& Glyph(int index) const;
    void SetGlyph(int index, QPixmap& value);
    const QPixmap& GlyphOn() const { return Glyph(0); }
    void SetGlyphOn(QPixmap& value) { SetGlyph(0, value); }
    const QPixmap& GlyphOff() const { return Glyph(1); }
    void SetGlyphOff(QPixmap& value) { SetGlyph(1, value); }

    TLedState State() const { return state_; }
    // Only for a lamp without a port: bound, it raises port error 19 and keeps its state.
    void SetState(TLedState value);

    // How long an lsRing lamp stays lit after the first ring of a burst, in milliseconds;
    // zero or less keeps it lit.
    std::int32_t RingDuration() const { return ringDuration_; }
    void SetRingDuration(std::int32_t value);

    // Fired on every state change, whether or not the state differs from the last.
    TLedStateEvent OnChange;

    // The bound port going away unbinds the lamp, which then goes dark.
    void Notification(TComponent* component, TOperation operation) override;

    QSize sizeHint() const override { return {25, 25}; }

protected:
    virtual void StateChanged(TLedState value);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyState(TLedState value);
    void SignalChanged(TObject* Sender, bool OnOff);
    void RingDetected(TObject* Sender);
    void RingTimeout();
    void StartRingTimer();
    void Paint();
    void LoadKindPictures();
    void ReportPaintError(std::exception_ptr error);

    std::unique_ptr<TComLink> link_;
    QPixmap glyphOn_;
    QPixmap glyphOff_;
    std::unique_ptr<QTimer> ringTimer_;
    bool ringTimerEnabled_ = false;
    std::int32_t ringDuration_ = 1000;
    TCustomComPort* comPort_ = nullptr;
    TComLedSignal ledSignal_ = lsConn;
    TLedKind kind_ = lkRedLight;
    TLedState state_ = lsOff;
    // Painting tries the resources once; a missing picture is reported once, not at every
    // repaint, until the kind or a picture changes.
    bool paintLoadFailed_ = false;
};

} // namespace tavrin
