#include "platform/posix/LinkWatch.h"

#include <algorithm>
#include <climits>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win::posix {

namespace {

constexpr int kMaxLinks = 16;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

LinkChain ResolveLinks(const std::string& path) {
    LinkChain chain;
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        chain.links.push_back({current, info.st_ino});
        char target[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
        if (length < 0)
            break;
        std::string next(target, static_cast<std::size_t>(length));
        if (next.empty() || next.front() != '/')
            next = FolderOf(current) + "/" + next;
        current = next;
    }
    chain.target = current;
    return chain;
}

LinkWatch::LinkWatch(const LinkChain& original) : original_(original) {
    if (original_.links.empty())
        return;
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    WatchFoldersOf(original_);
    WatchFoldersOf(ResolveLinks(original_.links.front().path));
}

LinkWatch::~LinkWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

void LinkWatch::WatchFoldersOf(const LinkChain& chain) {
    std::vector<std::string> folders;
    for (const auto& link : chain.links)
        folders.push_back(FolderOf(link.path));
    // The place the last link points to may become a link itself.
    folders.push_back(FolderOf(chain.target));
    for (const std::string& folder : folders) {
        if (std::find(watched_.begin(), watched_.end(), folder) != watched_.end())
            continue;
        constexpr uint32_t events =
            IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ONLYDIR;
        if (::inotify_add_watch(fd_, folder.c_str(), events) >= 0)
            watched_.push_back(folder);
    }
}

bool LinkWatch::Changed() {
    if (fd_ < 0)
        return false;
    alignas(inotify_event) char buffer[4096];
    while (::read(fd_, buffer, sizeof buffer) > 0) {
    }
    const LinkChain now = ResolveLinks(original_.links.front().path);
    WatchFoldersOf(now);
    return !(now == original_);
}

} // namespace win::posix
