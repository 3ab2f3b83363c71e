#pragma once

// The reception pane grows by whatever the port delivers, for as long as the program
// runs, so adding to it must cost the same for the first chunk and the millionth: text
// goes in at the end without rewriting what is already there (ReceptionView), and only a
// form feed rebuilds it.
//
// Under a flood the port delivers far more chunks than a screen can show: what arrives is
// queued and goes into the pane at most once per frame, in the order it came, so that the
// window keeps answering the user. The queue is bounded: once it is full the window stops
// reading from the port (Full()), the port's own queue fills and the device's end of the
// line waits, and reading goes on when a frame has made room (Drained()). Nothing is lost
// and memory stays bounded while the pane catches up.
//
// The view follows the newest text while it shows the end of the pane, sideways too; once
// the user has scrolled up it stays where they put it.

#include <QObject>
#include <QString>
#include <QTimer>

#include <string>
#include <string_view>

namespace tavrin {

class ReceptionView;

class ReceptionPane : public QObject {
    Q_OBJECT
public:
    // The time between two updates of the pane.
    static constexpr int FrameMs = 16;
    // The most one frame adds; a flood beyond it is shown over the next frames, so that no
    // frame keeps the window from answering for long.
    static constexpr std::size_t MaxFrameText = 256 * 1024;
    // Received text waiting for the frames beyond which reading from the port pauses.
    static constexpr std::size_t MaxPending = 4 * MaxFrameText;

    // Works on `view` (and becomes its child).
    explicit ReceptionPane(ReceptionView* view);

    // Adds Windows-1252 `bytes` after what the pane shows, as if the two texts were one: a
    // CR ending one chunk and the LF starting the next make a single line break. CR LF, a
    // lone CR and a lone LF each break the line.
    void Append(std::string_view bytes);
    void Append(const QString& text);
    // Makes `bytes` the whole content of the pane.
    void Replace(std::string_view bytes);
    void Replace(const QString& text);

    // Text received but not yet in the pane (it goes in at the next frame).
    bool HasPending() const { return replacePending_ || !pending_.empty(); }
    // So much waits that no more should be read until a frame has shown some.
    bool Full() const { return pending_.size() >= MaxPending; }
    // Puts everything received into the pane now.
    void Flush();

signals:
    // A frame has put text into the pane.
    void Updated();
    // A frame has made room after the pane was full.
    void Drained();

private:
    void ShowFrame();
    void Insert(std::string_view text);
    void Forget();

    ReceptionView* view_;
    QTimer frame_;
    // Waiting for the next frame: the pane is to be emptied first, then `pending_` added.
    bool replacePending_ = false;
    std::string pending_;
    // The last text added ended with a CR, and nothing has changed the pane since.
    bool endsWithCR_ = false;
    bool editing_ = false;
    bool wasFull_ = false;
};

} // namespace tavrin
