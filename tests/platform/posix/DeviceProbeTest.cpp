// What the system tells about a device that will not open: the permission decided from the
// file's mode and group against a user's groups, the program holding a lock on it, a
// missing one. Real pseudo-terminals, a real holder (python3), a real unprivileged user.

#include "platform/winapi/DeviceProbe.h"
#include "platform/posix/SerialDevices.h"
#include "platform/virtual/VirtualDevice.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Sync.h"
#include "platform/winapi/Win32.h"
#include "support/DeviceHolder.h"
#include "support/SocatPair.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrin::testing {
namespace {

TEST(DeviceProbeTest, ReadWriteIsDecidedByTheFirstClassThatMatchesTheUser) {
    const struct {
        const char* name;
        unsigned int mode, ownerUid, ownerGid;
        win::UserIdentity user;
        bool expected;
    } rows[] = {
        {"root may do anything", 0000, 1000, 20, {0, {0}}, true},
        {"owner with read and write", 0600, 1000, 20, {1000, {1000}}, true},
        {"owner without them, though the group has them", 0060, 1000, 20, {1000, {20}}, false},
        {"member of the owning group", 0660, 0, 20, {1000, {1000, 20}}, true},
        {"member of a group that may only read", 0640, 0, 20, {1000, {20}}, false},
        {"ordinary user outside the group", 0660, 0, 20, {1000, {1000, 24}}, false},
        {"anybody, when others may", 0666, 0, 20, {1000, {1000}}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(win::MayReadWrite(S_IFCHR | row.mode, row.ownerUid, row.ownerGid, row.user),
                  row.expected);
    }
}

TEST(DeviceProbeTest, DeviceHeldByAnotherProgramNamesTheProgram) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    DeviceHolder holder(pty.Path());
    ASSERT_TRUE(holder.Holding());

    win::HANDLE handle =
        win::CreateFileA(("\\\\.\\" + pty.Path()).c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                         0, nullptr, win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
    EXPECT_EQ(handle, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);

    const win::DeviceProbe probe = win::ProbeDevice(pty.Path());
    EXPECT_FALSE(probe.virtualDevice);
    EXPECT_TRUE(probe.exists);
    EXPECT_TRUE(probe.readWrite);
    EXPECT_EQ(probe.holderPid, holder.Pid());
    EXPECT_EQ(probe.holderProgram, "python3");
}

// What an unprivileged user meets on a device only its owner may use. Tests often run as
// root, who may open anything, so the open and the probe run in a child that has dropped to
// nobody; as an ordinary user the child takes the permission from itself instead.
TEST(DeviceProbeTest, OrdinaryUserWithoutPermissionIsToldTheOwningGroup) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    ASSERT_EQ(::chmod(pty.Path().c_str(), 0600), 0);
    struct stat device {};
    ASSERT_EQ(::stat(pty.Path().c_str(), &device), 0);
    const group* owning = ::getgrgid(device.st_gid);
    ASSERT_NE(owning, nullptr);
    const std::string expectedGroup = owning->gr_name;

    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(result[0]);
        bool dropped = true;
        if (::geteuid() == 0)
            dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        else
            dropped = ::chmod(pty.Path().c_str(), 0000) == 0;
        win::HANDLE handle = win::CreateFileA(
            ("\\\\.\\" + pty.Path()).c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
            win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
        const unsigned int code = handle == win::INVALID_HANDLE_VALUE ? win::GetLastError() : 0;
        const win::DeviceProbe probe = win::ProbeDevice(pty.Path());
        const std::string report = std::string(dropped ? "1" : "0") + " " + std::to_string(code) +
                                   " " + (probe.exists ? "1" : "0") + " " +
                                   (probe.readWrite ? "1" : "0") + " " + probe.group;
        [[maybe_unused]] auto written = ::write(result[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(result[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(result[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(result[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    EXPECT_EQ(report, "1 5 1 0 " + expectedGroup)
        << "dropped, the open's code, exists, may read and write, group";
}

TEST(DeviceProbeTest, MissingDeviceListsTheSerialDevicesThereAre) {
    TempFolder temp;
    const win::DeviceProbe probe = win::ProbeDevice(temp.Path() + "/ttyUSB9");
    EXPECT_EQ(probe.path, temp.Path() + "/ttyUSB9");
    EXPECT_FALSE(probe.present);
    EXPECT_FALSE(probe.exists);
    EXPECT_EQ(probe.holderPid, 0);
    std::vector<std::string> expected;
    for (const auto& entry : win::posix::SerialCommEntries())
        expected.push_back(entry.data);
    EXPECT_EQ(probe.available, expected);
}

TEST(DeviceProbeTest, VirtualDeviceIsNotLookedForOnDisk) {
    auto device = win::virt::VirtualDevice::Register("TAVRINPROBE");
    EXPECT_TRUE(win::ProbeDevice("tavrinprobe").virtualDevice);
    device.reset();
    EXPECT_FALSE(win::ProbeDevice("tavrinprobe").virtualDevice);
}

} // namespace
} // namespace tavrin::testing
