// Hint routing: the status text of whatever the mouse rests on becomes the application's
// hint. Qt sends a widget's status tip when the mouse enters it and an empty one when it
// leaves, but sends nothing for a widget that has no tip of its own. Such a widget shows
// the tip of its nearest ancestor that has one, and an empty hint when none has, so that
// the status bar never keeps the text of a control the mouse has left.

#include "app/qt/Guarded.h"
#include "app/qt/QtApplication.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStatusTipEvent>
#include <QWidget>

namespace tavrin {

namespace {
QString InheritedStatusTip(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (!w->statusTip().isEmpty())
            return w->statusTip();
    return {};
}
} // namespace

bool QtApplication::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->statusTip().isEmpty()) {
            RunGuarded([&] {
                QStatusTipEvent tip(InheritedStatusTip(widget));
                QCoreApplication::sendEvent(widget, &tip);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void QtApplication::SetHint(const QString& hint) {
    hint_ = hint;
    if (OnHint)
        OnHint();
}

} // namespace tavrin
