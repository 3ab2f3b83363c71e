// The combo box's binding: which values a setting lists, how a text becomes a pending
// value, and the reading and writing of the port.

#include "base/Strings.h"
#include "platform/winapi/DeviceDescriptions.h"
#include "serial/controls/CPortCtlAnsi.h"
#include "serial/controls/CPortCtlCombo.h"

namespace tavrin {

namespace {

template <class T, class ToText> void AddAll(QComboBox& items, T last, ToText toText) {
    for (int value = 0; value <= static_cast<int>(last); ++value)
        items.addItem(ctl::FromAnsi(toText(static_cast<T>(value))));
}

// The serial devices by name, each with what the system knows of it as its tooltip.
void AddDevices(QComboBox& items) {
    TStrings names;
    ListComPorts(names);
    const auto descriptions = win::SerialDeviceDescriptions();
    for (std::size_t i = 0; i < names.Count(); ++i) {
        items.addItem(ctl::FromAnsi(names[i]));
        const auto found = descriptions.find(names[i]);
        if (found != descriptions.end())
            items.setItemData(items.count() - 1, ctl::FromAnsi(found->second), Qt::ToolTipRole);
    }
}

} // namespace

void TComSelect::FillItems(TComProperty property) {
    property_ = property;
    items_->clear();
    switch (property) {
    case cpNone:
        break;
    case cpPort:
        AddDevices(*items_);
        break;
    case cpBaudRate:
        AddAll(*items_, br256000, BaudRateToText);
        break;
    case cpDataBits:
        AddAll(*items_, dbEight, DataBitsToText);
        break;
    case cpStopBits:
        AddAll(*items_, sbTwoStopBits, StopBitsToText);
        break;
    case cpParity:
        AddAll(*items_, prSpace, ParityToText);
        break;
    case cpFlowControl:
        AddAll(*items_, fcCustom, FlowControlToText);
        break;
    }
}

void TComSelect::Store(const std::string& text) {
    switch (property_) {
    case cpNone:
        break;
    case cpPort:
        pendingPort_ = text;
        break;
    case cpBaudRate:
        pendingBaudRate_ = TextToBaudRate(text);
        break;
    case cpDataBits:
        pendingDataBits_ = TextToDataBits(text);
        break;
    case cpStopBits:
        pendingStopBits_ = TextToStopBits(text);
        break;
    case cpParity:
        pendingParity_ = TextToParity(text);
        break;
    case cpFlowControl:
        pendingFlowControl_ = TextToFlowControl(text);
        break;
    }
}

void TComSelect::TakeText(const std::string& text) {
    Store(text);
    if (autoApply_)
        ApplyToPort();
}

void TComSelect::ApplyToPort() {
    if (!port_)
        return;
    switch (property_) {
    case cpNone:
        break;
    case cpPort:
        port_->SetPort(pendingPort_);
        break;
    case cpBaudRate:
        port_->SetBaudRate(pendingBaudRate_);
        break;
    case cpDataBits:
        port_->SetDataBits(pendingDataBits_);
        break;
    case cpStopBits:
        port_->SetStopBits(pendingStopBits_);
        break;
    case cpParity:
        port_->Parity().SetBits(pendingParity_);
        break;
    case cpFlowControl:
        port_->FlowControl().SetFlowControl(pendingFlowControl_);
        break;
    }
}

int TComSelect::ReadFromPort() {
    if (!port_ || property_ == cpNone)
        return -1;
    std::string current;
    switch (property_) {
    case cpNone:
        break;
    case cpPort:
        current = port_->Port();
        break;
    case cpBaudRate:
        current = BaudRateToText(port_->BaudRate());
        break;
    case cpDataBits:
        current = DataBitsToText(port_->DataBits());
        break;
    case cpStopBits:
        current = StopBitsToText(port_->StopBits());
        break;
    case cpParity:
        current = ParityToText(port_->Parity().Bits());
        break;
    case cpFlowControl:
        current = FlowControlToText(port_->FlowControl().FlowControl());
        break;
    }
    for (int index = 0; index < items_->count(); ++index) {
        const std::string item = ctl::ToAnsi(items_->itemText(index));
        if (CompareText(item, current) == 0) {
            Store(item);
            return index;
        }
    }
    return -1;
}

} // namespace tavrin
