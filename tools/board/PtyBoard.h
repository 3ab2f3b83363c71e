#pragma once

// The simulated board served on a pseudo-terminal, named COMn through the link
// <config>/dosdevices/comn that Tavrin (and Wine) resolve COMn by. The main thread waits
// on the terminal, a wake-up descriptor and the signals that end the program; the board
// runs on its own thread (BoardHost).

#include "board/BoardHost.h"

#include <memory>
#include <mutex>
#include <string>

namespace tavrin::board {

class PtyBoard : private BoardLine {
public:
    explicit PtyBoard(std::string link);
    ~PtyBoard() override;

    // Serves until SIGTERM or SIGINT; the exit status. Prints where the board is.
    int Run();

private:
    void Send(std::uint8_t byte, const UartSettings& uart, int flippedBit) override;
    void SetPresent(bool present) override;

    bool Plug();
    void Unplug();
    void Wake();
    void Received(const std::uint8_t* bytes, std::size_t count);

    const std::string link_;
    std::mutex lock_; // the terminal's descriptors, shared with the board's thread
    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1; // eventfd: the board asked to go or to come back
    bool wantPresent_ = true;
    bool failed_ = false;
    std::unique_ptr<BoardHost> host_;
};

} // namespace tavrin::board
