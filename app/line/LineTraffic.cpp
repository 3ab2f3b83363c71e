#include "app/line/LineTraffic.h"

#include <algorithm>

namespace tavrin {

LineSettings SettingsOf(const TComPort& port) {
    LineSettings settings;
    settings.port = port.Port();
    const win::DWORD rate = BaudRateValue(port.BaudRate());
    settings.baud = rate != 0 ? static_cast<std::int32_t>(rate) : port.CustomBaudRate();
    settings.dataBits = 5 + static_cast<std::int32_t>(port.DataBits());
    settings.parity = port.Parity().Bits();
    settings.stopBits = port.StopBits();
    return settings;
}

std::string Describe(const LineSettings& settings) {
    static constexpr char ParityLetters[] = {'N', 'O', 'E', 'M', 'S'};
    std::string text = settings.port + ' ' + std::to_string(settings.baud) + ' ' +
                       std::to_string(settings.dataBits) +
                       ParityLetters[static_cast<int>(settings.parity)];
    switch (settings.stopBits) {
    case sbOneStopBit:
        return text + '1';
    case sbOne5StopBits:
        return text + "1.5";
    case sbTwoStopBits:
        return text + '2';
    }
    return text;
}

void LineTraffic::Listen(LineListener* listener) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void LineTraffic::Leave(LineListener* listener) {
    std::erase(listeners_, listener);
}

template <typename Tell> void LineTraffic::TellAll(Tell tell) {
    // A copy: a listener told here may close its window and leave.
    const std::vector<LineListener*> listeners = listeners_;
    for (LineListener* listener : listeners)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            tell(*listener);
}

void LineTraffic::Sent(char byte) {
    const auto at = LineClock::now();
    TellAll([&](LineListener& l) { l.Sent(at, byte); });
}

void LineTraffic::Received(std::string_view bytes) {
    if (bytes.empty())
        return;
    const auto at = LineClock::now();
    TellAll([&](LineListener& l) { l.Received(at, bytes); });
}

void LineTraffic::LineErrors(TComErrors errors) {
    if (errors.Empty())
        return;
    const auto at = LineClock::now();
    TellAll([&](LineListener& l) { l.LineErrors(at, errors); });
}

void LineTraffic::Opened(const LineSettings& settings) {
    settings_ = settings;
    const auto at = LineClock::now();
    openedAt_ = at;
    TellAll([&](LineListener& l) { l.Opened(at, settings); });
}

void LineTraffic::Closed() {
    const auto at = LineClock::now();
    openedAt_.reset();
    TellAll([&](LineListener& l) { l.Closed(at); });
}

void LineTraffic::Follow(const LineSettings& settings) {
    if (settings == settings_)
        return;
    settings_ = settings;
    const auto at = LineClock::now();
    TellAll([&](LineListener& l) { l.SettingsChanged(at, settings); });
}

void LineTraffic::DsrChanged(bool on) {
    const auto at = LineClock::now();
    TellAll([&](LineListener& l) { l.DsrChanged(at, on); });
}

} // namespace tavrin
