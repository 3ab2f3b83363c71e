#pragma once

// A configuration folder of the test's own: XDG_CONFIG_HOME points at a folder for the
// object's lifetime, so <config> is <Home()>/tavrin.

#include "support/SocatPair.h"

#include <optional>
#include <string>

namespace tavrin::testing {

class TempConfig {
public:
    // In a fresh temporary folder, removed with the object; <config> is made and stays
    // empty, so a test sees every file the program writes there.
    TempConfig();
    // In `home`, a folder the caller owns (made when missing), with <config>/dosdevices
    // made for the device list to read.
    explicit TempConfig(const std::string& home);
    ~TempConfig();
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    // The folder XDG_CONFIG_HOME names.
    const std::string& Home() const { return home_; }
    // <config>
    std::string Config() const { return home_ + "/tavrin"; }
    // <config>/dosdevices
    std::string DosDevices() const { return Config() + "/dosdevices"; }
    // Makes <config>/dosdevices/com<n> lead to `target`.
    void MapCom(int n, const std::string& target) const;

private:
    std::optional<TempFolder> own_;
    std::string home_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// tests/support/store_peer.py: another program on the stored settings (SerialPeer runs it).
std::string StorePeerScript();

// The whole content of a file ("" when it cannot be read), and a file made of `text`.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

} // namespace tavrin::testing
