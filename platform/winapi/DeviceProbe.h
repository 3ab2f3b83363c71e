#pragma once

// What the system tells about a serial device that would not open: whether it is there,
// whether the user may read and write it, which group owns it, which program holds it, and
// which serial devices there are instead. Only for explaining a failure to a person: the
// engine never looks at any of this, and nothing here opens the device.

#include <string>
#include <vector>

namespace win {

// Who asks: a user id and every group the user is in.
struct UserIdentity {
    unsigned int uid = 0;
    std::vector<unsigned int> groups;
};

// The user this process runs as, with its supplementary groups.
UserIdentity CurrentUser();

struct DeviceProbe {
    std::string path;                   // the file the port name stands for (see DevicePath)
    bool virtualDevice = false;         // a registered virtual device: the rest is not filled in
    bool present = false;               // something is at the path (followed through links)
    bool exists = false;                // a character device is there
    bool readWrite = false;             // the user may open it for reading and writing
    std::string group;                  // the group that owns it: its name, else its number
    bool joiningGroupHelps = false;     // joining `group` would give read and write (see below)
    int holderPid = 0;                  // the process that holds it (0: nobody or unknown)
    std::string holderProgram;          // that process's program name
    std::vector<std::string> available; // the serial devices there are, as port names
};

DeviceProbe ProbeDevice(const std::string& portName, const UserIdentity& user = CurrentUser());

// Decided from the file's owner, group and mode bits, as the kernel checks them for a user
// without privileges; uid 0 may do anything.
bool MayReadWrite(unsigned int mode, unsigned int ownerUid, unsigned int ownerGid,
                  const UserIdentity& user);

// Whether a user who joined the owning group could then read and write: that group has
// both rights and the user is not the owner (whose own bits the kernel checks instead).
// Never root's group: joining it is no advice to give anybody.
bool JoiningGroupHelps(unsigned int mode, unsigned int ownerUid, unsigned int ownerGid,
                       const UserIdentity& user);

} // namespace win
