#include "app/ReceptionPane.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace tavrin {

ReceptionPane::ReceptionPane(QPlainTextEdit* view) : QObject(view), view_(view) {
    view_->setUndoRedoEnabled(false);
    // Someone else emptied or rewrote the pane (clear all, opening the port): a CR this
    // pane added last is no longer the end of the text.
    connect(view_->document(), &QTextDocument::contentsChange, this, [this] {
        if (!editing_)
            endsWithCR_ = false;
    });
}

void ReceptionPane::Append(const QString& text) {
    if (text.isEmpty())
        return;
    QStringView rest(text);
    if (endsWithCR_ && rest.front() == u'\n')
        rest = rest.mid(1); // the CR before it already broke the line
    if (!rest.isEmpty()) {
        // A cursor of our own: the view's cursor is where the user clicked or selected.
        QTextCursor cursor(view_->document());
        cursor.movePosition(QTextCursor::End);
        editing_ = true;
        cursor.insertText(rest.toString());
        editing_ = false;
    }
    endsWithCR_ = text.back() == u'\r';
}

void ReceptionPane::Replace(const QString& text) {
    editing_ = true;
    view_->setPlainText(text);
    editing_ = false;
    endsWithCR_ = !text.isEmpty() && text.back() == u'\r';
}

} // namespace tavrin
