#pragma once

// The simulated teaching board: two LEDs, a temperature sensor, its own UART settings and a
// command interpreter. This is the board's firmware alone, without time of its own: it is
// told each character its UART took from the line and when, and answers with the text to
// send and what to do once that text has left (BoardHost runs it on a thread).

#include "board/LineModel.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace tavrin::board {

using Clock = std::chrono::steady_clock;

struct Reply {
    std::string text;                             // the answer, in Windows-1252
    std::optional<UartSettings> thenUart;         // new UART settings once it has been sent
    std::optional<std::chrono::seconds> thenAway; // then go away for this long
};

class Board {
public:
    // A command longer than this is not one the board knows; the rest of it is dropped.
    static constexpr std::size_t kMaxCommand = 80;
    // A command left unfinished this long is forgotten, as a half-typed line on a board
    // whose sender went away; the next one then starts clean.
    static constexpr std::chrono::seconds kCommandTimeout{2};
    // The slow receiver takes at most one character in this time.
    static constexpr std::chrono::milliseconds kSlowInterval{5};

    Board(Clock::time_point powerOn, std::uint32_t seed);

    // A character the UART received.
    Reply Receive(const Arrival& arrival, Clock::time_point now);
    // A character that came while the slow receiver was still busy.
    void Lost() { ++lost_; }
    // Readings due by now, and the time of the next one.
    Reply Tick(Clock::time_point now);
    std::optional<Clock::time_point> NextTick() const;

    const UartSettings& Uart() const { return uart_; }
    void SetUart(const UartSettings& uart) { uart_ = uart; }
    bool Slow() const { return slow_; }
    int NoisePerMille() const { return noise_; }

private:
    std::string Execute(const std::string& command, Clock::time_point now, Reply& reply);
    std::string Led(int index, const std::string& argument);
    std::string Status(Clock::time_point now) const;
    std::string Reading(Clock::time_point now);

    const Clock::time_point powerOn_;
    std::mt19937 random_;
    UartSettings uart_;
    bool leds_[2] = {false, false};
    bool echo_ = false;
    bool slow_ = false;
    int noise_ = 0;
    std::string command_;
    Clock::time_point lastChar_;
    std::uint64_t received_ = 0;
    std::uint64_t lost_ = 0;
    std::uint64_t errors_ = 0;
    double temperature_ = 25.0;
    Clock::time_point temperatureAt_;
    int streamRate_ = 0; // readings a second, 0 when no stream runs
    Clock::time_point nextReading_;
};

} // namespace tavrin::board
