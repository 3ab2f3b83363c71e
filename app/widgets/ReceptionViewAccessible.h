#pragma once

// What a screen reader sees of the reception pane: read-only, multi-line text with a caret
// and a selection, read through the accessibility text interface as a text edit is.

#include <QAccessibleWidget>

namespace tavrin {

class ReceptionView;

class ReceptionViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReceptionViewAccessible(ReceptionView* view);

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // Makes screen readers use this for every ReceptionView (once per program).
    static void Install();

private:
    ReceptionView* View() const;
};

} // namespace tavrin
