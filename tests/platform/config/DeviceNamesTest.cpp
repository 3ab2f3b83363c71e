#include "platform/config/DeviceNames.h"
#include "platform/config/ConfigDir.h"
#include "platform/winapi/Comm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

using namespace win;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }

private:
    void Apply(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

class DeviceNames : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("tavrin-names-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "tavrin" / "dosdevices");
        // A link to something that is not a serial device at all.
        fs::create_symlink("/nonexistent/tty-for-com3", root / "tavrin" / "dosdevices" / "com3");
        xdg.emplace("XDG_CONFIG_HOME", root.string());
    }
    void TearDown() override {
        xdg.reset();
        fs::remove_all(root);
    }
    fs::path root;
    std::optional<ScopedEnv> xdg;
};

TEST_F(DeviceNames, ConfigDirectoryFollowsXdgConfigHome) {
    EXPECT_EQ(ConfigDirectory(), (root / "tavrin").string());
    ScopedEnv home("HOME", "/home/someone");
    for (const char* ignored : {"", "relative/path"}) {
        ScopedEnv relative("XDG_CONFIG_HOME", std::string(ignored));
        EXPECT_EQ(ConfigDirectory(), "/home/someone/.config/tavrin") << ignored;
    }
    ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(ConfigDirectory(), "/home/someone/.config/tavrin");
}

TEST_F(DeviceNames, NamesResolveToPaths) {
    const std::string link = (root / "tavrin" / "dosdevices" / "com3").string();
    struct Case {
        const char* name;
        std::string path;
    } cases[] = {
        {"COM3", link},
        {"com3", link},
        {"COM1", "/dev/ttyS0"},
        {"COM12", "/dev/ttyS11"},
        {"COM0", "/dev/COM0"},
        {"COM03", "/dev/COM03"},
        {"COMX", "/dev/COMX"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"pts/4", "/dev/pts/4"},
        {"/tmp/some/pty", "/tmp/some/pty"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DevicePath(c.name), c.path) << c.name;
}

TEST(DeviceNameOf, StripsTheDeviceNamespacePrefixOnly) {
    EXPECT_EQ(DeviceNameOf("\\\\.\\COM1"), "COM1");
    EXPECT_EQ(DeviceNameOf("COM1"), "COM1");
    EXPECT_EQ(DeviceNameOf("\\\\?\\COM1"), "\\\\?\\COM1");
    EXPECT_EQ(DeviceNameOf("\\\\.\\"), "");
}

// Names that resolve to nothing are missing. Never a COMn without a link here: it would
// fall back to /dev/ttyS<n-1>, and on these machines ttyS0 is the console.
TEST_F(DeviceNames, NamesOfDevicesThatDoNotExistAreNotFound) {
    for (const char* name : {"\\\\.\\ttyUSB97", "\\\\.\\/nonexistent/tty", "\\\\.\\"}) {
        SetLastError(0);
        HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << name;
    }
    SetLastError(0);
    EXPECT_EQ(CreateFileA(nullptr, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
