#pragma once

// Tells when the device a path leads to may have been replaced. A pseudo-terminal whose
// other end hung up never comes back: its other end returns as a new pseudo-terminal, and
// the symbolic link that named the old one (a <config>/dosdevices/comn link, a link made by
// socat or by a simulator) is made anew for it. So the links on the way from the path to
// the device are remembered with their inode numbers, and an inotify descriptor watches the
// folders that hold them: it becomes readable only when a name in those folders changes,
// which keeps the waiting thread asleep otherwise. A path that is no link cannot be told
// apart from a reused device number, so it is never watched.

#include <sys/types.h>

#include <string>
#include <vector>

namespace win::posix {

// The links from a path to its device, each with its inode number, in order.
struct LinkChain {
    struct Link {
        std::string path;
        ino_t inode;
        bool operator==(const Link&) const = default;
    };
    std::vector<Link> links;
    std::string target; // where the last link leads (it may not exist)

    bool operator==(const LinkChain&) const = default;
};

LinkChain ResolveLinks(const std::string& path);

class LinkWatch {
public:
    // Watches the folders of `original` and of the chain as it is now. Not Valid when the
    // path has no links or inotify is not available.
    explicit LinkWatch(const LinkChain& original);
    ~LinkWatch();
    LinkWatch(const LinkWatch&) = delete;
    LinkWatch& operator=(const LinkWatch&) = delete;

    bool Valid() const { return fd_ >= 0; }
    // Readable when something changed in a watched folder.
    int Descriptor() const { return fd_; }
    // Reads what is pending and adds watches for folders that the chain now passes
    // through. True when the chain differs from the original one.
    bool Changed();

private:
    void WatchFoldersOf(const LinkChain& chain);

    int fd_ = -1;
    LinkChain original_;
    std::vector<std::string> watched_;
};

} // namespace win::posix
