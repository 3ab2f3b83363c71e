#pragma once

// The session transcript: what crossed the line, written to a file as it happens, as text a
// spreadsheet opens (UTF-8, one tab between fields). Lines beginning with "#" tell the
// program, the port and what happened to it; after the heading line come one row per
// character sent and one per chunk received: the time in ms since the recording started,
// TX or RX, the bytes in hex and the bytes as text.
//
// Rows wait in memory and reach the file within half a second (a timer that runs only while
// something waits), at once when 64 KiB wait, and when the transcript ends: a program killed
// loses at most the last half second, and a flood costs bounded memory.

#include "app/line/LineTraffic.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tavrin {

// The line as it was when the recording started.
struct LineState {
    LineSettings settings;
    bool open = false;
    bool dsr = false;
};

class Transcript : public QObject, public LineListener {
    Q_OBJECT
public:
    // Creates (or empties) the file at `path` and writes the preamble. Null when the file
    // cannot be created or written; `fault` then says why, in Portuguese.
    static std::unique_ptr<Transcript> Start(const QString& path, const LineState& line,
                                             QString& fault);
    // Writes the closing line and everything waiting, and closes the file.
    ~Transcript() override;
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    const QString& Path() const { return path_; }

    // Told once, from the event loop and never from inside a listener call, when the file
    // could not be written; the file is then closed and nothing more is written.
    std::function<void(const QString& fault)> OnFailure;
    bool Failed() const { return fd_ < 0; }

    // Puts everything waiting into the file.
    void Flush();
    // Something waits for the file, and the timer that takes it there runs.
    bool FlushPending() const { return flushTimer_.isActive(); }

    void Sent(LineClock::time_point at, char byte) override;
    void Received(LineClock::time_point at, std::string_view bytes) override;
    void LineErrors(LineClock::time_point at, TComErrors errors) override;
    void Opened(LineClock::time_point at, const LineSettings& settings) override;
    void Closed(LineClock::time_point at) override;
    void SettingsChanged(LineClock::time_point at, const LineSettings& settings) override;
    void DsrChanged(LineClock::time_point at, bool on) override;

    // When the waiting rows go to the file at the latest, and how many bytes may wait.
    static constexpr int FlushDelayMs = 500;
    static constexpr std::size_t FlushSize = 64 * 1024;

private:
    Transcript(const QString& path, int fd);
    void Row(LineClock::time_point at, const char* direction, std::string_view bytes);
    void Note(LineClock::time_point at, std::string_view text);
    void Append(std::string_view text);
    void Fail(int error);

    QString path_;
    int fd_ = -1;
    LineClock::time_point start_;
    std::string waiting_;
    QTimer flushTimer_;
};

// "12.345": milliseconds with three decimals.
std::string MillisecondsText(LineClock::duration elapsed);
// "4F 4B 0D 0A".
std::string HexBytes(std::string_view bytes);
// "paridade, quadro".
std::string DescribeErrors(TComErrors errors);
// Why a file could not be written, for a message: "a pasta não existe".
QString FileFaultText(int error);

} // namespace tavrin
