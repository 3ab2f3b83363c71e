#pragma once

// The program's modal message boxes, described as data so that tests can answer them.

#include <QMessageBox>
#include <QString>

#include <functional>

namespace tavrin {

struct MessageRequest {
    QMessageBox::Icon kind = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows one box and returns the button pressed: QMessageBox::NoButton when the user
// closed the box by its close box or by Escape instead. In a box with a No button, Escape
// presses No.
using MessageFunction = std::function<QMessageBox::StandardButton(const MessageRequest&)>;

// The real box, modal to the whole application.
QMessageBox::StandardButton ExecMessageBox(const MessageRequest& request);

} // namespace tavrin
