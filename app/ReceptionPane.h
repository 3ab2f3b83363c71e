#pragma once

// The reception pane grows by whatever the port delivers, for as long as the program
// runs, so adding to it must cost the same for the first chunk and the millionth: text
// goes in at the end of the document without rewriting what is already there, and only a
// form feed rebuilds it.
//
// The pane lays out a whole line again whenever the line grows. A device that never sends
// a line break (answers ended by NUL, readings separated by blanks) would make every chunk
// cost as much as everything received so far, so a line is broken after MaxLineLength
// characters, as a terminal breaks it at its right margin.

#include <QObject>
#include <QString>

class QPlainTextEdit;

namespace tavrin {

class ReceptionPane : public QObject {
    Q_OBJECT
public:
    // Far wider than the pane, and short enough to lay out in a fraction of a millisecond.
    static constexpr int MaxLineLength = 1024;

    // Works on `view` (and becomes its child). A read-only pane has nothing to undo, and an
    // undo record per chunk would only grow with the text.
    explicit ReceptionPane(QPlainTextEdit* view);

    // Adds `text` after what the pane shows, as if the two texts were one: a CR ending one
    // chunk and the LF starting the next make a single line break. CR LF, a lone CR and a
    // lone LF each break the line.
    void Append(const QString& text);
    // Makes `text` the whole content of the pane.
    void Replace(const QString& text);

private:
    QPlainTextEdit* view_;
    // The last text added ended with a CR, and nothing has changed the pane since.
    bool endsWithCR_ = false;
    bool editing_ = false;
};

} // namespace tavrin
