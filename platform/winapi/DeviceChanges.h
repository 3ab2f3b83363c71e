#pragma once

// Tells when the serial devices of the hardware map may have changed, so that a list shown
// to the user can follow a board plugged in or pulled out, or a COMn link made or removed,
// while it is on the screen. The system's own notifications wake it (devices added to or
// removed from the tty class; names made or removed in <config>/dosdevices), never a timer.
// It offers one descriptor to wait on, with poll or a GUI toolkit's socket notifier.

#include <memory>
#include <string>

namespace win {

class DeviceChanges {
public:
    // Starts watching <config>/dosdevices as it is named now, and the system's serial devices.
    // `ptys` is where pseudo-terminals appear; tests point it elsewhere, since other
    // programs make and close terminals there all the time.
    explicit DeviceChanges(std::string ptys = "/dev/pts");
    ~DeviceChanges();
    DeviceChanges(const DeviceChanges&) = delete;
    DeviceChanges& operator=(const DeviceChanges&) = delete;

    // Readable once a change has come, until TakeChanges; -1 when nothing can be watched.
    int Descriptor() const;

    // Takes in what has come, without blocking, so that the descriptor is quiet again; true
    // when any of it may have changed the device list (read the list afresh then).
    bool TakeChanges();

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};

} // namespace win
