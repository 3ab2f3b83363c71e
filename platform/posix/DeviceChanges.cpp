// Device changes on Linux: a udev monitor for the tty class (boards and USB adapters coming
// and going) and an inotify descriptor on <config>/dosdevices, both inside one epoll
// descriptor, which is readable whenever either of them is.

#include "platform/winapi/DeviceChanges.h"

#include "platform/config/ConfigDir.h"

#include <libudev.h>

#include <climits>
#include <string>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace win {

namespace {

// What a name change in a folder means for the list.
enum class Folder {
    Parent,     // holds <config>: only <config> itself coming or going counts
    Config,     // holds dosdevices: only that folder coming or going counts
    DosDevices, // every COMn link
    Ptys,       // /dev/pts: a link to a pseudo-terminal leads nowhere once it has gone
};

constexpr std::uint32_t NameChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

std::string Parent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string LastPart(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

struct DeviceChanges::Watch {
    int epoll = -1;
    int inotify = -1;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::string config;
    std::string dosdevices;
    std::string ptys;
    int watches[4] = {-1, -1, -1, -1}; // by Folder

    void Add(int fd) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
    }

    // Watches a folder that may not be there yet; a folder made later is watched when its
    // parent tells of it. Adding a watch that exists changes nothing.
    void WatchFolders() {
        const std::string paths[4] = {Parent(config), config, dosdevices, ptys};
        for (int i = 0; i < 4; ++i)
            watches[i] = ::inotify_add_watch(inotify, paths[i].c_str(), NameChanges | IN_ONLYDIR);
    }

    bool TakeFolderChanges() {
        bool changed = false;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t got = ::read(inotify, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const std::string name = event->len ? event->name : "";
                if (event->mask & IN_Q_OVERFLOW) // events were lost: anything may have changed
                    changed = true;
                else if (event->wd == watches[static_cast<int>(Folder::Parent)])
                    changed |= name == LastPart(config);
                else if (event->wd == watches[static_cast<int>(Folder::Config)])
                    changed |= name == LastPart(dosdevices) || (event->mask & IN_DELETE_SELF);
                else if (event->wd >= 0)
                    changed = true;
            }
        }
        // A folder made or removed meanwhile: watch what is there now.
        if (changed)
            WatchFolders();
        return changed;
    }

    bool TakeDeviceChanges() {
        bool changed = false;
        if (!monitor)
            return false;
        while (udev_device* device = udev_monitor_receive_device(monitor)) {
            changed = true;
            udev_device_unref(device);
        }
        return changed;
    }

    ~Watch() {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
        if (inotify >= 0)
            ::close(inotify);
        if (epoll >= 0)
            ::close(epoll);
    }
};

DeviceChanges::DeviceChanges(std::string ptys) : watch_(std::make_unique<Watch>()) {
    Watch& w = *watch_;
    w.ptys = std::move(ptys);
    w.epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (w.epoll < 0)
        return;
    w.config = ConfigDirectory();
    w.dosdevices = w.config + "/dosdevices";
    w.inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (w.inotify >= 0) {
        w.WatchFolders();
        w.Add(w.inotify);
    }
    // Events as udev announces them, once it has made the device's node and links. Where no
    // udev daemon runs (a container, a minimal system) the kernel's own announcements come
    // instead; devtmpfs has made the node by then.
    w.context = udev_new();
    const char* source = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    if (w.context)
        w.monitor = udev_monitor_new_from_netlink(w.context, source);
    if (w.monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(w.monitor, "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(w.monitor) >= 0) {
        w.Add(udev_monitor_get_fd(w.monitor));
    } else if (w.monitor) {
        udev_monitor_unref(w.monitor);
        w.monitor = nullptr;
    }
}

DeviceChanges::~DeviceChanges() = default;

int DeviceChanges::Descriptor() const {
    return watch_->inotify >= 0 || watch_->monitor ? watch_->epoll : -1;
}

bool DeviceChanges::TakeChanges() {
    Watch& w = *watch_;
    bool changed = false;
    if (w.inotify >= 0)
        changed |= w.TakeFolderChanges();
    changed |= w.TakeDeviceChanges();
    return changed;
}

} // namespace win
