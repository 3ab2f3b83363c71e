#pragma once

// A configuration folder of the test's own: XDG_CONFIG_HOME points at a fresh temporary
// folder for the object's lifetime, so <config> is <Home()>/tavrin.

#include "support/SocatPair.h"

#include <string>

namespace tavrin::testing {

class TempConfig {
public:
    TempConfig();
    ~TempConfig();
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    // The folder XDG_CONFIG_HOME names.
    const std::string& Home() const { return folder_.Path(); }
    // <config>, made by the constructor.
    std::string Config() const { return folder_.Path() + "/tavrin"; }

private:
    TempFolder folder_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// tests/support/store_peer.py: another program on the stored settings (SerialPeer runs it).
std::string StorePeerScript();

// The whole content of a file ("" when it cannot be read), and a file made of `text`.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

} // namespace tavrin::testing
