#include "app/ReceptionPane.h"

#include <QPlainTextEdit>
#include <QTextBlock>
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
    QTextDocument* document = view_->document();
    // Characters already on the last line (a block's length counts its separator).
    int column = document->lastBlock().length() - 1;
    QString lines;
    lines.reserve(text.size() + text.size() / MaxLineLength + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r' || ch == u'\n') {
            // The LF of a CR LF pair, also when the CR ended the chunk before.
            const bool pairedLF = ch == u'\n' && (i > 0 ? text[i - 1] == u'\r' : endsWithCR_);
            if (!pairedLF) {
                lines += u'\n';
                column = 0;
            }
            continue;
        }
        if (column >= MaxLineLength) {
            lines += u'\n';
            column = 0;
        }
        lines += ch;
        ++column;
    }
    endsWithCR_ = text.back() == u'\r';
    if (lines.isEmpty())
        return;
    // A cursor of our own: the view's cursor is where the user clicked or selected.
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    editing_ = true;
    cursor.insertText(lines);
    editing_ = false;
}

void ReceptionPane::Replace(const QString& text) {
    view_->clear();
    Append(text);
}

} // namespace tavrin
