#include "support/TempConfig.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrin::testing {

TempConfig::TempConfig() {
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) {
        previous_ = value;
        hadPrevious_ = true;
    }
    setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
    std::filesystem::create_directories(Config());
}

TempConfig::~TempConfig() {
    if (hadPrevious_)
        setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
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
