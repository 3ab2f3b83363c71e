#pragma once

// Runs a Board on a thread of its own, with the timing of a real line: a character the other
// end sends reaches the board one character time (at the sender's settings) after it
// started, and the board's answers leave one character time (at its own settings) apart.
// The thread sleeps on a condition until the next thing is due; nothing polls.

#include "board/Board.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tavrin::board {

// What the board is wired to: the other end of its line and its presence lines.
class BoardLine {
public:
    virtual ~BoardLine() = default;
    // One character has left the board's UART at `uart` (noise inverted `flippedBit`,
    // -1 none); the line hands the receiving end what its own UART makes of it.
    virtual void Send(std::uint8_t byte, const UartSettings& uart, int flippedBit) = 0;
    // The board is there (DSR and CTS on) or has gone away.
    virtual void SetPresent(bool present) = 0;
};

class BoardHost {
public:
    // Characters waiting to reach the board, and answer bytes waiting to leave it, beyond
    // these are lost (a flood from the other end, or an echo faster than the board's UART).
    static constexpr std::size_t kMaxIncoming = 4096;
    static constexpr std::size_t kMaxOutgoing = 4096;

    // Starts the thread; the board powers on and says it is there.
    BoardHost(BoardLine& line, std::uint32_t seed);
    // Stops the thread; the line is not called afterwards.
    ~BoardHost();
    BoardHost(const BoardHost&) = delete;
    BoardHost& operator=(const BoardHost&) = delete;

    // A character the other end put on the line at `sentAt` with its own settings; it
    // starts then, or once the previous one has passed.
    void Arrive(std::uint8_t byte, const UartSettings& sender, Clock::time_point sentAt);

    UartSettings Uart() const;

private:
    struct Incoming {
        std::uint8_t byte;
        UartSettings sender;
        Clock::time_point done; // when its last bit has reached the board
    };
    struct Outgoing {
        enum Kind : std::uint8_t { Byte, SetUart, GoAway } kind;
        std::uint8_t byte = 0;
        UartSettings uart{};
        std::chrono::seconds away{0};
    };
    struct InFlight {
        std::uint8_t byte;
        UartSettings uart;
        int flippedBit;
        Clock::time_point done;
    };

    void Run();
    void TakeLocked(const Incoming& in);
    void QueueLocked(const Reply& reply);
    int NoiseLocked(const UartSettings& uart);
    // Does what is due by `now`; false when nothing was.
    bool StepLocked(std::unique_lock<std::mutex>& lock, Clock::time_point now);
    std::optional<Clock::time_point> NextDueLocked() const;

    BoardLine& line_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    Board board_;
    std::mt19937 random_;
    std::deque<Incoming> incoming_;
    Clock::time_point lineFree_{};
    std::optional<Clock::time_point> lastTaken_;
    std::deque<Outgoing> outgoing_;
    std::size_t outgoingBytes_ = 0;
    std::optional<InFlight> inFlight_;
    std::optional<Clock::time_point> awayUntil_;
    std::thread thread_;
};

} // namespace tavrin::board
