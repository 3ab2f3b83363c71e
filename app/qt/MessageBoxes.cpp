#include "app/qt/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

namespace tavrin {

namespace {

// QMessageBox answers its close box and Escape with its escape button, which for a box
// with a single OK button is OK, so it cannot tell "OK" from "closed". The close query
// needs that difference: closing the box must not count as agreeing. Past QMessageBox's
// handlers, the box just closes and no button counts as clicked; a box with a No button
// still answers Escape with No.
class DismissableBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
    void keyPressEvent(QKeyEvent* event) override {
        if (!escapeButton() && event->matches(QKeySequence::Cancel))
            close();
        else
            QMessageBox::keyPressEvent(event);
    }
};

} // namespace

QMessageBox::StandardButton ExecMessageBox(const MessageRequest& request) {
    DismissableBox box(request.kind, request.caption, request.text, request.buttons,
                       QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (request.buttons.testFlag(QMessageBox::No))
        box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() ? box.standardButton(box.clickedButton()) : QMessageBox::NoButton;
}

} // namespace tavrin
