#pragma once

// The reception pane grows by whatever the port delivers, for as long as the program
// runs, so adding to it must cost the same for the first chunk and the millionth: text
// goes in at the end of the document without rewriting what is already there, and only a
// form feed rebuilds it.
//
// Under a flood the port delivers far more chunks than a screen can show: what arrives is
// queued and goes into the pane at most once per frame, in the order it came, so that the
// window keeps answering the user.
//
// The pane lays out a whole line again whenever the line grows. A device that never sends
// a line break (answers ended by NUL, readings separated by blanks) would make every chunk
// cost as much as everything received so far, so a line is broken after MaxLineLength
// characters, as a terminal breaks it at its right margin.
//
// The view follows the newest text while it shows the end of the pane; once the user has
// scrolled up it stays where they put it.

#include <QObject>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

namespace tavrin {

class ReceptionPane : public QObject {
    Q_OBJECT
public:
    // Far wider than the pane, and short enough to lay out in a fraction of a millisecond.
    static constexpr int MaxLineLength = 1024;
    // The time between two updates of the pane.
    static constexpr int FrameMs = 16;
    // The most one frame adds; a flood beyond it is shown over the next frames, so that no
    // frame keeps the window from answering for long.
    static constexpr qsizetype MaxFrameText = 128 * 1024;

    // Works on `view` (and becomes its child). A read-only pane has nothing to undo, and an
    // undo record per chunk would only grow with the text.
    explicit ReceptionPane(QPlainTextEdit* view);

    // Adds `text` after what the pane shows, as if the two texts were one: a CR ending one
    // chunk and the LF starting the next make a single line break. CR LF, a lone CR and a
    // lone LF each break the line.
    void Append(const QString& text);
    // Makes `text` the whole content of the pane.
    void Replace(const QString& text);

    // Text received but not yet in the pane (it goes in at the next frame).
    bool HasPending() const { return replacePending_ || !pending_.isEmpty(); }
    // Puts everything received into the pane now.
    void Flush();

signals:
    // A frame has put text into the pane.
    void Updated();

private:
    void ShowFrame();
    void Insert(const QString& text);
    void Forget();

    QPlainTextEdit* view_;
    QTimer frame_;
    // Waiting for the next frame: the pane is to be emptied first, then `pending_` added.
    bool replacePending_ = false;
    QString pending_;
    // The last text added ended with a CR, and nothing has changed the pane since.
    bool endsWithCR_ = false;
    bool editing_ = false;
};

} // namespace tavrin
