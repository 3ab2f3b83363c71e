#pragma once

// What crosses the serial line, as the main window sees it: every character it puts on the
// line, every chunk it reads, the errors the port reports, the port opening and closing,
// its settings and the DSR line. The line monitor and the session transcript listen here,
// so that they see the very bytes the window sent and showed, in the order it handled them.

#include "serial/CPort.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

using LineClock = std::chrono::steady_clock;

// The port's framing as the line carries it: enough to draw a character bit by bit and to
// tell a reader which port it was.
struct LineSettings {
    std::string port;         // the name the user chose, e.g. "COM1"
    std::int32_t baud = 9600; // bits per second
    std::int32_t dataBits = 8;
    TParityBits parity = prNone;
    TStopBits stopBits = sbOneStopBit;

    bool operator==(const LineSettings&) const = default;
};

LineSettings SettingsOf(const TComPort& port);
// "COM1 9600 8N1", with "1.5" for one and a half stop bits and N, O, E, M, S for parity.
std::string Describe(const LineSettings& settings);

// Every call comes on the GUI thread, from the main window, in the order things happened.
class LineListener {
public:
    virtual ~LineListener() = default;
    virtual void Sent(LineClock::time_point at, char byte) = 0;
    // Bytes read together share their time.
    virtual void Received(LineClock::time_point at, std::string_view bytes) = 0;
    // Parity, framing, overrun and other errors the port reported; they belong to the
    // characters received with them or just before.
    virtual void LineErrors(LineClock::time_point at, TComErrors errors) = 0;
    virtual void Opened(LineClock::time_point at, const LineSettings& settings) = 0;
    virtual void Closed(LineClock::time_point at) = 0;
    // Told only when they change while the program runs, not at the start.
    virtual void SettingsChanged(LineClock::time_point at, const LineSettings& settings) = 0;
    virtual void DsrChanged(LineClock::time_point at, bool on) = 0;
};

// The main window tells it; it tells every listener. A listener may leave (or another
// join) while being told: the ones told next are those still there.
class LineTraffic {
public:
    void Listen(LineListener* listener);
    void Leave(LineListener* listener);

    void Sent(char byte);
    void Received(std::string_view bytes);
    void LineErrors(TComErrors errors);
    void Opened(const LineSettings& settings);
    void Closed();
    // Tells the listeners only when `settings` differ from the last ones seen.
    void Follow(const LineSettings& settings);
    void DsrChanged(bool on);

    std::size_t Listeners() const { return listeners_.size(); }
    const LineSettings& Settings() const { return settings_; }
    // When the port last opened, for a listener that joins while it is open; empty while
    // it is closed.
    std::optional<LineClock::time_point> OpenedAt() const { return openedAt_; }

private:
    template <typename Tell> void TellAll(Tell tell);

    std::vector<LineListener*> listeners_;
    LineSettings settings_;
    std::optional<LineClock::time_point> openedAt_;
};

} // namespace tavrin
