#pragma once

// A pair of connected pseudo-terminals made by socat, a program that is not ours: what is
// written to one end comes out of the other. Each end is reached by a symbolic link in a
// given folder; socat removes them when it ends.

#include <string>
#include <sys/types.h>

namespace tavrin::testing {

class SocatPair {
public:
    // Starts socat with the links <folder>/<portName> and <folder>/<peerName> and waits
    // (with a deadline) until both exist. Started() tells whether that worked.
    SocatPair(const std::string& folder, const std::string& portName = "port",
              const std::string& peerName = "peer");
    ~SocatPair();
    SocatPair(const SocatPair&) = delete;
    SocatPair& operator=(const SocatPair&) = delete;

    bool Started() const { return started_; }
    const std::string& PortPath() const { return portPath_; }
    const std::string& PeerPath() const { return peerPath_; }

    // Ends socat: both pseudo-terminals hang up, the links go.
    void Stop();

private:
    std::string portPath_;
    std::string peerPath_;
    pid_t pid_ = -1;
    bool started_ = false;
};

// Waits (blocking on inotify, with a deadline) until `path` exists or, with `exists` false,
// until it does not.
bool WaitForPath(const std::string& path, bool exists, int timeoutMs = 10000);

// A fresh folder under the system's temporary folder, removed with its content on
// destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace tavrin::testing
