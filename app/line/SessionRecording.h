#pragma once

// "Gravar Sessão...": the checkable menu item and the transcript behind it. Checking it asks
// for a file and records into it until unchecked; the item is checked exactly while a
// transcript is being written, so a file that cannot be created, or a write that fails
// later, unchecks it and says why in a box.

#include "app/line/LineTraffic.h"
#include "app/line/Transcript.h"

#include <QString>

#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace tavrin {

class SessionRecording {
public:
    // Chooses the file to record into; empty when the user cancelled.
    using FileChooser = std::function<QString(QWidget* parent)>;

    SessionRecording(LineTraffic& traffic, QAction& action, std::function<LineState()> line,
                     QWidget* dialogParent);
    // Ends the recording: the file is complete and closed.
    ~SessionRecording();
    SessionRecording(const SessionRecording&) = delete;
    SessionRecording& operator=(const SessionRecording&) = delete;

    // The user checked or unchecked the item.
    void Toggled();
    // Records into `path` from now on, ending a recording that runs. False (after the box
    // that says why) when the file cannot be written.
    bool Start(const QString& path);
    void Stop();

    bool Recording() const { return transcript_ != nullptr; }
    Transcript* Current() const { return transcript_.get(); }

    // Tests choose the file themselves; an empty function restores the dialog.
    void SetFileChooser(FileChooser chooser);

private:
    void Failed(const QString& path, const QString& fault, bool started);

    LineTraffic& traffic_;
    QAction& action_;
    std::function<LineState()> line_;
    QWidget* dialogParent_;
    FileChooser chooser_;
    std::unique_ptr<Transcript> transcript_;
};

// The save dialog: a ".tsv" file, proposed in the home folder under the date and time.
QString ChooseTranscriptFile(QWidget* parent);

} // namespace tavrin
