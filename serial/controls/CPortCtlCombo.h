#pragma once

// A drop-down list bound to one setting of a port: it lists the values the setting can
// take, shows the port's current one, and writes the user's choice back into the port.
// The choice waits in the companion TComSelect until ApplyToPort, unless AutoApply is on.

#include "base/Component.h"
#include "base/Exception.h"
#include "serial/CPort.h"

#include <QComboBox>

#include <cstdint>
#include <memory>
#include <string>

namespace tavrin {

enum TComProperty : std::uint8_t {
    cpNone,
    cpPort,
    cpBaudRate,
    cpDataBits,
    cpStopBits,
    cpParity,
    cpFlowControl
};

// The toolkit's error for a stored layout that cannot be read: "Error reading
// <control>.<property>: <the error met>".
class EReadError : public Exception {
public:
    EReadError(const std::string& control, const std::string& property, const std::string& message);
};

// The binding of one combo box: the port, the property, and the value the user chose last
// (or the port had when it was read), pending until it is applied.
class TComSelect {
public:
    // `items` is the list FillItems rebuilds; it stays the caller's.
    explicit TComSelect(QComboBox* items) : items_(items) {}

    // Rebuilds the list for `property`; for cpPort the devices come from ListComPorts, which
    // may fail, with each device's description as its tooltip.
    void FillItems(TComProperty property);
    // Takes `text` as the pending value, and applies it at once with AutoApply.
    void TakeText(const std::string& text);
    // Writes the pending value into the port through the port's own setter.
    void ApplyToPort();
    // The index of the port's current value in the list (letter case ignored), which also
    // becomes the pending value; -1 when the list lacks it, without a port or a property.
    int ReadFromPort();

    TComProperty Property() const { return property_; }
    TCustomComPort* Port() const { return port_; }
    void SetPort(TCustomComPort* port) { port_ = port; }
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool value) { autoApply_ = value; }

    // The pending values.
    const std::string& PendingPort() const { return pendingPort_; }
    TBaudRate PendingBaudRate() const { return pendingBaudRate_; }
    TDataBits PendingDataBits() const { return pendingDataBits_; }
    TStopBits PendingStopBits() const { return pendingStopBits_; }
    TParityBits PendingParity() const { return pendingParity_; }
    TFlowControl PendingFlowControl() const { return pendingFlowControl_; }

private:
    void Store(const std::string& text);

    std::string pendingPort_;
    TBaudRate pendingBaudRate_ = brCustom;
    TDataBits pendingDataBits_ = dbFive;
    TStopBits pendingStopBits_ = sbOneStopBit;
    TParityBits pendingParity_ = prNone;
    TFlowControl pendingFlowControl_ = fcHardware;
    QComboBox* items_;
    TComProperty property_ = cpNone;
    TCustomComPort* port_ = nullptr;
    bool autoApply_ = false;
};

// The list is drop-down only: the user picks one of its items and cannot type.
class TComComboBox : public QComboBox, public TComponent {
    Q_OBJECT
public:
    explicit TComComboBox(QWidget* parent = nullptr);
    ~TComComboBox() override;
    const char* ClassName() const override { return "TComComboBox"; }

    // Binding to a port selects the port's value (binding to none keeps the selection). The
    // port tells the combo box when it goes away.
    TCustomComPort* ComPort() const { return select_->Port(); }
    void SetComPort(TCustomComPort* value);

    // Writing fills the list and selects the port's value, or the first item without a
    // port; the pending values stay.
    TComProperty ComProperty() const { return select_->Property(); }
    void SetComProperty(TComProperty value);

    bool AutoApply() const { return select_->AutoApply(); }
    void SetAutoApply(bool value) { select_->SetAutoApply(value); }

    // The selected item's text, empty without a selection. Writing selects the item of that
    // text, letter case ignored; a text no item has leaves the selection as it is.
    std::string Text() const;
    void SetText(const std::string& value);

    void ApplyToPort() { select_->ApplyToPort(); }
    void ReadFromPort();

    // Builds the list afresh (the devices there are now) and keeps the selection and the
    // pending value: a selected item the new list lacks stays in it, shown as its name.
    // A list that cannot be read leaves only that item. OnChange does not fire.
    void RefillItems();

    TComSelect& Select() { return *select_; }

    // Fired after a pick of the user has become the pending value (and been applied with
    // AutoApply).
    TNotifyEvent OnChange;

    void Notification(TComponent* component, TOperation operation) override;

    // ---- The stored layout's way in ----------------------------------------------------
    // What a window's layout sets while it is read (uic calls these). An error is reported as
    // the toolkit reports one met while reading a layout: EReadError with the control's and
    // the property's names.
    void setComProperty(TComProperty value);
    void setText(const QString& value);
    // The height of each item of the drop-down list, in pixels.
    void setItemHeight(int pixels);

protected:
    // The user's pick: it becomes the pending value, then OnChange fires.
    virtual void Change();

private:
    std::unique_ptr<TComSelect> select_;
};

} // namespace tavrin
