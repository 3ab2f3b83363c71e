#include "app/widgets/ReceptionViewAccessible.h"

#include "app/widgets/ReceptionView.h"

#include <algorithm>

namespace tavrin {

ReceptionViewAccessible::ReceptionViewAccessible(ReceptionView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

ReceptionView* ReceptionViewAccessible::View() const {
    return static_cast<ReceptionView*>(widget());
}

QAccessible::State ReceptionViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString ReceptionViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return View()->toPlainText();
    return QAccessibleWidget::text(kind);
}

void* ReceptionViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void ReceptionViewAccessible::selection(int selectionIndex, int* startOffset,
                                        int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = static_cast<int>(std::min(View()->anchor(), View()->cursorPosition()));
    *endOffset = static_cast<int>(std::max(View()->anchor(), View()->cursorPosition()));
}

int ReceptionViewAccessible::selectionCount() const {
    return View()->anchor() != View()->cursorPosition() ? 1 : 0;
}

void ReceptionViewAccessible::addSelection(int startOffset, int endOffset) {
    View()->setSelection(startOffset, endOffset);
}

void ReceptionViewAccessible::removeSelection(int) {
    View()->setSelection(View()->cursorPosition(), View()->cursorPosition());
}

void ReceptionViewAccessible::setSelection(int, int startOffset, int endOffset) {
    View()->setSelection(startOffset, endOffset);
}

int ReceptionViewAccessible::cursorPosition() const {
    return static_cast<int>(View()->cursorPosition());
}

void ReceptionViewAccessible::setCursorPosition(int position) {
    View()->setSelection(position, position);
}

QString ReceptionViewAccessible::text(int startOffset, int endOffset) const {
    return View()->textRange(startOffset, endOffset);
}

int ReceptionViewAccessible::characterCount() const {
    return static_cast<int>(View()->textLength());
}

QRect ReceptionViewAccessible::characterRect(int offset) const {
    const QRect local = View()->CharacterRect(offset);
    return QRect(View()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int ReceptionViewAccessible::offsetAtPoint(const QPoint& point) const {
    return static_cast<int>(View()->PositionAt(View()->viewport()->mapFromGlobal(point)));
}

void ReceptionViewAccessible::scrollToSubstring(int startIndex, int) {
    View()->setSelection(startIndex, startIndex);
    View()->EnsureCaretVisible();
}

QString ReceptionViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return QString();
}

void ReceptionViewAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& key, QObject* object) {
            auto* view = qobject_cast<ReceptionView*>(object);
            return key == QLatin1String("tavrin::ReceptionView") && view
                       ? static_cast<QAccessibleInterface*>(new ReceptionViewAccessible(view))
                       : nullptr;
        });
        return true;
    }();
    (void)installed;
}

} // namespace tavrin
