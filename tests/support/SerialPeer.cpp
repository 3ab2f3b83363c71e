#include "support/SerialPeer.h"

#include "support/PipedChild.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrin::testing {

std::string PeerScript() {
    return TAVRIN_SOURCE_DIR "/tests/platform/posix/serial_peer.py";
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

SerialPeer::SerialPeer(const std::string& script) {
    const PipedChild child = SpawnPiped({"/usr/bin/python3", script});
    pid_ = child.pid;
    in_ = child.toChild;
    out_ = child.fromChild;
    if (pid_ < 0)
        return;
    started_ = Ask("ping") == "pong";
}

SerialPeer::~SerialPeer() {
    if (in_ >= 0)
        close(in_); // end of input ends the script
    if (out_ >= 0)
        close(out_);
    if (pid_ > 0) {
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string SerialPeer::Ask(const std::string& command, int timeoutMs) {
    const std::string line = command + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = write(in_, line.data() + sent, line.size() - sent);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return {};
        }
        sent += static_cast<std::size_t>(n);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string answer = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return answer;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return {};
        pollfd wait{out_, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[65536];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0)
            return {};
        buffered_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool SerialPeer::Open(const std::string& path, bool exclusive) {
    return Ask("open " + path + (exclusive ? " exclusive" : "")) == "ok";
}

bool SerialPeer::Close() {
    return Ask("close") == "ok";
}

bool SerialPeer::Write(const std::string& bytes) {
    return Ask("write " + ToHex(bytes)) == "ok";
}

std::string SerialPeer::Read(std::size_t count, double seconds) {
    const std::string answer = Ask("read " + std::to_string(count) + " " + std::to_string(seconds));
    if (answer.rfind("data ", 0) != 0 || answer == "data -")
        return {};
    return FromHex(answer.substr(5));
}

} // namespace tavrin::testing
