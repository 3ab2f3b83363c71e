#pragma once

// A program on the other end of a serial line: Debian's pyserial, run by the system's
// Python, driven through a small command script (tests/platform/posix/serial_peer.py).

#include <string>
#include <sys/types.h>

namespace tavrin::testing {

class SerialPeer {
public:
    // Starts the script; Started() tells whether it answers.
    explicit SerialPeer(const std::string& script);
    ~SerialPeer();
    SerialPeer(const SerialPeer&) = delete;
    SerialPeer& operator=(const SerialPeer&) = delete;

    bool Started() const { return started_; }

    // Sends one command line and returns the answer line ("" when none came in time).
    std::string Ask(const std::string& command, int timeoutMs = 30000);

    bool Open(const std::string& path, bool exclusive = false);
    bool Close();
    bool Write(const std::string& bytes);
    // Up to `count` bytes, waiting at most `seconds` for them.
    std::string Read(std::size_t count, double seconds);

private:
    pid_t pid_ = -1;
    int in_ = -1;  // the script's standard input
    int out_ = -1; // its standard output
    std::string buffered_;
    bool started_ = false;
};

// The command script the tests drive the peer through.
std::string PeerScript();

std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);

} // namespace tavrin::testing
