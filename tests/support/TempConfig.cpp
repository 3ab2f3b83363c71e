#include "support/TempConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tavrin::testing {

TempConfig::TempConfig() : own_(std::in_place), home_(own_->Path()) {
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) {
        previous_ = value;
        hadPrevious_ = true;
    }
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    std::filesystem::create_directories(Config());
}

TempConfig::TempConfig(const std::string& home) : home_(home) {
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) {
        previous_ = value;
        hadPrevious_ = true;
    }
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    std::filesystem::create_directories(DosDevices());
}

TempConfig::~TempConfig() {
    if (hadPrevious_)
        setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

void TempConfig::MapCom(int n, const std::string& target) const {
    std::filesystem::create_directories(DosDevices());
    const std::string link = DosDevices() + "/com" + std::to_string(n);
    unlink(link.c_str());
    EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

std::string StorePeerScript() {
    return std::string(TAVRIN_SOURCE_DIR) + "/tests/support/store_peer.py";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace tavrin::testing
