#include "platform/winapi/DeviceProbe.h"

#include "platform/config/DeviceNames.h"
#include "platform/posix/SerialDevices.h"
#include "platform/virtual/VirtualOpen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace win {

namespace {

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

std::string ProgramOf(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The process holding a flock or POSIX lock on the file, from /proc/locks, whose lines
// read "1: FLOCK  ADVISORY  WRITE 812 00:1a:3 0 EOF"; the device numbers are in hex.
// Waiters ("1: -> FLOCK ...") hold nothing. 0 when no lock is held or its holder lies in
// another PID namespace.
int LockHolder(const struct stat& file) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        if (line.find("->") != std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string field, previous;
        while (fields >> field) {
            unsigned int majorNumber = 0, minorNumber = 0;
            unsigned long inode = 0;
            if (std::sscanf(field.c_str(), "%x:%x:%lu", &majorNumber, &minorNumber, &inode) == 3 &&
                field.find(':') != field.rfind(':')) {
                if (majorNumber == major(file.st_dev) && minorNumber == minor(file.st_dev) &&
                    inode == file.st_ino) {
                    const int pid = std::atoi(previous.c_str());
                    if (pid > 0 && pid != ::getpid())
                        return pid;
                }
                break;
            }
            previous = field;
        }
    }
    return 0;
}

// Without a lock (a program that only set TIOCEXCL) the holder is whoever has the file open:
// the first other process with a descriptor on it.
int OpenedBy(const struct stat& file) {
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    int holder = 0;
    while (dirent* entry = ::readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0 || pid == ::getpid())
            continue;
        const std::string fdDir = "/proc/" + std::string(entry->d_name) + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            continue;
        while (dirent* fd = ::readdir(fds)) {
            struct stat target {};
            if (fd->d_name[0] != '.' && ::stat((fdDir + "/" + fd->d_name).c_str(), &target) == 0 &&
                target.st_dev == file.st_dev && target.st_ino == file.st_ino) {
                holder = pid;
                break;
            }
        }
        ::closedir(fds);
        if (holder)
            break;
    }
    ::closedir(proc);
    return holder;
}

} // namespace

UserIdentity CurrentUser() {
    UserIdentity user;
    user.uid = ::getuid();
    user.groups.push_back(::getgid());
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, groups.data());
        for (int i = 0; i < got; ++i)
            user.groups.push_back(groups[static_cast<std::size_t>(i)]);
    }
    return user;
}

bool MayReadWrite(unsigned int mode, unsigned int ownerUid, unsigned int ownerGid,
                  const UserIdentity& user) {
    if (user.uid == 0)
        return true;
    // The kernel takes the first class that matches, even when a later one would allow more.
    unsigned int needed = S_IROTH | S_IWOTH;
    if (user.uid == ownerUid)
        needed = S_IRUSR | S_IWUSR;
    else if (std::find(user.groups.begin(), user.groups.end(), ownerGid) != user.groups.end())
        needed = S_IRGRP | S_IWGRP;
    return (mode & needed) == needed;
}

bool JoiningGroupHelps(unsigned int mode, unsigned int ownerUid, unsigned int ownerGid,
                       const UserIdentity& user) {
    constexpr unsigned int groupReadWrite = S_IRGRP | S_IWGRP;
    return ownerGid != 0 && user.uid != ownerUid && (mode & groupReadWrite) == groupReadWrite;
}

DeviceProbe ProbeDevice(const std::string& portName, const UserIdentity& user) {
    DeviceProbe probe;
    if (virt::IsRegistered(portName)) {
        probe.virtualDevice = true;
        return probe;
    }
    probe.path = DevicePath(portName);
    for (const posix::SerialDeviceEntry& entry : posix::SerialCommEntries())
        probe.available.push_back(entry.data);

    struct stat file {};
    probe.present = !probe.path.empty() && ::stat(probe.path.c_str(), &file) == 0;
    if (!probe.present || !S_ISCHR(file.st_mode))
        return probe;
    probe.exists = true;
    probe.readWrite = MayReadWrite(file.st_mode, file.st_uid, file.st_gid, user);
    probe.group = GroupName(file.st_gid);
    probe.joiningGroupHelps = JoiningGroupHelps(file.st_mode, file.st_uid, file.st_gid, user);
    probe.holderPid = LockHolder(file);
    if (!probe.holderPid)
        probe.holderPid = OpenedBy(file);
    if (probe.holderPid)
        probe.holderProgram = ProgramOf(probe.holderPid);
    return probe;
}

} // namespace win
