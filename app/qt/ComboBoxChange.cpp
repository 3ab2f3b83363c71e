#include "app/qt/ComboBoxChange.h"

#include "app/qt/Guarded.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tavrin {

namespace {

// QComboBox keeps its item selected while the text field is edited; the handlers read
// "nothing selected" from a typed text. Unselecting would also empty the field, so the
// typed text and the cursor are put back.
void UnselectKeepingText(QComboBox* box) {
    QLineEdit* field = box->lineEdit();
    const QString text = field->text();
    const int cursor = field->cursorPosition();
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(-1);
    field->setText(text);
    field->setCursorPosition(cursor);
}

} // namespace

void BindUserChange(QComboBox* box, std::function<void()> handler) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // An inline completion would select an item while the user is still typing.
    box->setCompleter(nullptr);
    QObject::connect(box, &QComboBox::activated, box, Guarded(handler));
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, Guarded([box, handler] {
                         UnselectKeepingText(box);
                         handler();
                     }));
}

} // namespace tavrin
