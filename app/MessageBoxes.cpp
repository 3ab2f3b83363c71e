#include "app/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>

namespace tavrin {

namespace {

// QMessageBox answers its close box with the escape button, so a box with a single OK
// button cannot tell "OK" from "closed". The close query needs that difference: closing
// the box must not count as agreeing. Past QMessageBox::closeEvent, the box just closes
// and no button counts as clicked.
class DismissableBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
};

} // namespace

QMessageBox::StandardButton ExecMessageBox(const MessageRequest& request) {
    DismissableBox box(request.kind, request.caption, request.text, request.buttons,
                       QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (request.buttons.testFlag(QMessageBox::No))
        box.setEscapeButton(QMessageBox::No);
    else if (request.buttons.testFlag(QMessageBox::Ok))
        box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() ? box.standardButton(box.clickedButton()) : QMessageBox::NoButton;
}

} // namespace tavrin
