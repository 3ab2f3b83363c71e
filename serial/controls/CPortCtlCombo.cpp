// The bound combo box as a widget: its binding to a port and a property, its selection,
// the user's pick, and what a stored layout sets on it.

#include "serial/controls/CPortCtlCombo.h"
#include "serial/controls/CPortCtlAnsi.h"
#include "serial/controls/CPortCtlGuard.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace tavrin {

EReadError::EReadError(const std::string& control, const std::string& property,
                       const std::string& message)
    : Exception("Error reading " + control + "." + property + ": " + message) {}

namespace {

// Items of one fixed height, whatever the style would make of them.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

private:
    int height_;
};

} // namespace

TComComboBox::TComComboBox(QWidget* parent)
    : QComboBox(parent), select_(std::make_unique<TComSelect>(this)) {
    setEditable(false);
    // `activated` is the user's pick only; the program's own selecting never fires it.
    connect(this, &QComboBox::activated, this, [this] { ctl::RunReported([this] { Change(); }); });
}

TComComboBox::~TComComboBox() {
    // The port must not notify a combo box that is half gone.
    Destroying();
}

void TComComboBox::SetComPort(TCustomComPort* value) {
    if (value == select_->Port())
        return;
    select_->SetPort(value);
    if (value) {
        value->FreeNotification(this);
        setCurrentIndex(select_->ReadFromPort());
    }
}

void TComComboBox::SetComProperty(TComProperty value) {
    select_->FillItems(value);
    if (count() == 0)
        return;
    setCurrentIndex(select_->Port() ? select_->ReadFromPort() : 0);
}

std::string TComComboBox::Text() const {
    return currentIndex() < 0 ? std::string() : ctl::ToAnsi(currentText());
}

void TComComboBox::SetText(const std::string& value) {
    const int index = findText(ctl::FromAnsi(value), Qt::MatchFixedString);
    if (index >= 0)
        setCurrentIndex(index);
}

void TComComboBox::ReadFromPort() {
    setCurrentIndex(select_->ReadFromPort());
}

void TComComboBox::RefillItems() {
    const bool selected = currentIndex() >= 0;
    const QString chosen = currentText();
    try {
        select_->FillItems(select_->Property());
    } catch (const Exception&) {
        // No devices at all reads as a missing registry key: the list is empty then.
        clear();
    }
    if (!selected) {
        // Qt selects the first item added to an empty list.
        setCurrentIndex(-1);
        return;
    }
    int index = findText(chosen, Qt::MatchFixedString);
    if (index < 0) {
        // Gone from the system, still the user's choice: it stays where the order puts it.
        index = 0;
        while (index < count() && itemText(index).compare(chosen, Qt::CaseInsensitive) < 0)
            ++index;
        insertItem(index, chosen);
    }
    setCurrentIndex(index);
}

void TComComboBox::Change() {
    select_->TakeText(Text());
    if (OnChange)
        OnChange(this);
}

void TComComboBox::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove || component == nullptr || component != select_->Port())
        return;
    select_->SetPort(nullptr);
    if (count() > 0)
        setCurrentIndex(0);
}

void TComComboBox::setComProperty(TComProperty value) {
    try {
        SetComProperty(value);
    } catch (const Exception& error) {
        throw EReadError(ctl::ToAnsi(objectName()), "ComProperty", error.Message());
    }
}

void TComComboBox::setText(const QString& value) {
    SetText(ctl::ToAnsi(value));
}

void TComComboBox::setItemHeight(int pixels) {
    view()->setItemDelegate(new FixedHeightDelegate(pixels, this));
}

} // namespace tavrin
