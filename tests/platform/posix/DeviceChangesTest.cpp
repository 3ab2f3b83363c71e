// The watch behind live device lists: its descriptor wakes a poll when a COMn link is made
// or removed in <config>/dosdevices, also when that folder (or <config>) is made only after
// the watch began, and stays asleep for other files of <config>.

#include "platform/winapi/DeviceChanges.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::testing {
namespace {

// Blocks on the descriptor for at most `ms`; true when it became readable.
bool Wakes(const win::DeviceChanges& changes, int ms = 1000) {
    pollfd wait{changes.Descriptor(), POLLIN, 0};
    return ::poll(&wait, 1, ms) == 1 && (wait.revents & POLLIN);
}

// A quiet descriptor is checked with a short poll: the change would have woken it at once.
constexpr int QuietMs = 100;

TEST(DeviceChangesTest, LinkMadeOrRemovedWakesTheDescriptor) {
    TempFolder temp;
    TempConfig config(temp.Path() + "/config");
    // Terminals that other tests make meanwhile would wake it: a folder of its own instead.
    win::DeviceChanges changes(temp.Path() + "/pts");
    ASSERT_GE(changes.Descriptor(), 0);
    EXPECT_FALSE(Wakes(changes, QuietMs));

    config.MapCom(4, "/dev/null");
    ASSERT_TRUE(Wakes(changes));
    EXPECT_TRUE(changes.TakeChanges());
    EXPECT_FALSE(Wakes(changes, QuietMs)) << "taken in, quiet again";

    ASSERT_EQ(::unlink((config.DosDevices() + "/com4").c_str()), 0);
    ASSERT_TRUE(Wakes(changes));
    EXPECT_TRUE(changes.TakeChanges());

    // Other files of <config> change no device list.
    WriteFile(config.Config() + "/settings.ini", "[ComPort]\n");
    if (Wakes(changes, QuietMs)) {
        EXPECT_FALSE(changes.TakeChanges());
    }
    EXPECT_FALSE(Wakes(changes, QuietMs));
}

TEST(DeviceChangesTest, FoldersMadeAfterTheWatchBeganAreFollowed) {
    TempFolder temp;
    const std::string home = temp.Path() + "/home";
    ASSERT_EQ(::mkdir(home.c_str(), 0700), 0);
    // <config> does not exist yet; TempConfig(home) makes it and dosdevices, below.
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous ? previous : "";
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    win::DeviceChanges changes(temp.Path() + "/pts");
    if (previous)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_GE(changes.Descriptor(), 0);

    TempConfig config(home);
    ASSERT_TRUE(Wakes(changes));
    EXPECT_TRUE(changes.TakeChanges());
    // The folders may come in one after the other: each wakes the watch until it is quiet.
    while (Wakes(changes, QuietMs))
        changes.TakeChanges();

    config.MapCom(2, "/dev/null");
    ASSERT_TRUE(Wakes(changes)) << "dosdevices, made after the watch began, is watched";
    EXPECT_TRUE(changes.TakeChanges());
}

} // namespace
} // namespace tavrin::testing
