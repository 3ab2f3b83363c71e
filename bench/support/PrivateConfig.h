#pragma once

// A configuration folder of the benchmark's own, made in the temporary folder and removed
// at the end, so that its COMn links never touch the user's: the engine finds COMn in
// <config>/tavrin/dosdevices.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tavrin::bench {

class PrivateConfig {
public:
    // `prefix` names the folder, so that one left by a killed run tells whose it was.
    explicit PrivateConfig(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        path_ = pattern;
        std::error_code error;
        std::filesystem::create_directories(Dosdevices(), error);
        if (error || setenv("XDG_CONFIG_HOME", path_.c_str(), 1) != 0)
            Remove();
    }
    ~PrivateConfig() { Remove(); }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;

    bool Valid() const { return !path_.empty(); }
    // Where COMn is linked as comn.
    std::string Dosdevices() const { return path_ + "/tavrin/dosdevices"; }

private:
    void Remove() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
        path_.clear();
    }

    std::string path_;
};

} // namespace tavrin::bench
