#pragma once

// The reception pane grows by whatever the port delivers, for as long as the program
// runs, so adding to it must cost the same for the first chunk and the millionth: text
// goes in at the end without rewriting what is already there (ReceptionView), and only a
// form feed rebuilds it.
//
// Under a flood the port delivers far more chunks than a screen can show: what arrives is
// queued and goes into the pane at most once per frame, in the order it came, so that the
// window keeps answering the user.
//
// The view follows the newest text while it shows the end of the pane; once the user has
// scrolled up it stays where they put it.

#include <QObject>
#include <QString>
#include <QTimer>

namespace tavrin {

class ReceptionView;

class ReceptionPane : public QObject {
    Q_OBJECT
public:
    // The time between two updates of the pane.
    static constexpr int FrameMs = 16;
    // The most one frame adds; a flood beyond it is shown over the next frames, so that no
    // frame keeps the window from answering for long.
    static constexpr qsizetype MaxFrameText = 256 * 1024;

    // Works on `view` (and becomes its child).
    explicit ReceptionPane(ReceptionView* view);

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

    ReceptionView* view_;
    QTimer frame_;
    // Waiting for the next frame: the pane is to be emptied first, then `pending_` added.
    bool replacePending_ = false;
    QString pending_;
    // The last text added ended with a CR, and nothing has changed the pane since.
    bool endsWithCR_ = false;
    bool editing_ = false;
};

} // namespace tavrin
