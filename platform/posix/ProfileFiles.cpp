#include "platform/winapi/ProfileFiles.h"

#include "platform/config/ConfigDir.h"
#include "platform/config/IniText.h"
#include "platform/winapi/Sync.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace win {

namespace {

DWORD FromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
        return 112; // ERROR_DISK_FULL
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

std::string ResolveName(const char* fileName) {
    const std::string name = fileName;
    if (name.find('/') != std::string::npos)
        return name;
    return ConfigDirectory() + "/" + name;
}

// The whole file; an empty text for a file that does not exist, nothing for one that
// cannot be read (the error is in `error`).
std::optional<std::string> ReadWhole(const std::string& path, int& error) {
    error = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return error == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    }
    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Replaces `path` with `text`: the file is written beside it, flushed, given the old file's
// permissions and renamed over it; the folder is flushed so that the rename lasts.
int ReplaceFile(const std::string& path, const std::string& text) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "/." + base + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int error = 0;
    if (!WriteAll(fd, text) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

DWORD CopyText(const std::string& text, char* buffer, DWORD size) {
    const std::size_t copied = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    SetLastError(copied < text.size() ? ERROR_MORE_DATA : ERROR_SUCCESS);
    return static_cast<DWORD>(copied);
}

// Names, each ended with a NUL, and one more NUL; when they do not fit, the last one that
// starts inside the buffer is cut and the list still ends with two NULs.
DWORD CopyList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::string list;
    for (const std::string& name : names)
        list += name + '\0';
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(list.empty() ? 0 : list.size());
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    SetLastError(ERROR_MORE_DATA);
    return size - 2;
}

bool Has(const char* text, const char* characters) {
    return text != nullptr && std::strpbrk(text, characters) != nullptr;
}

// A key line that starts with "[" would read as a section.
bool LooksLikeHeader(const char* key) {
    if (key == nullptr)
        return false;
    while (*key == ' ' || *key == '\t')
        ++key;
    return *key == '[';
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, char* buffer,
                               DWORD size, LPCSTR fileName) {
    if (buffer == nullptr || size == 0 || fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int error = 0;
    const auto text = ReadWhole(ResolveName(fileName), error);
    const std::string_view content = text ? std::string_view(*text) : std::string_view();
    if (section == nullptr)
        return CopyList(ini::SectionNames(content), buffer, size);
    if (key == nullptr)
        return CopyList(ini::KeyNames(content, section), buffer, size);
    if (auto value = ini::FindValue(content, section, key))
        return CopyText(*value, buffer, size);
    std::string fallback = defaultValue == nullptr ? "" : defaultValue;
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
        fallback.pop_back();
    const DWORD copied = CopyText(fallback, buffer, size);
    if (error != 0)
        SetLastError(FromErrno(error) == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND
                                                              : FromErrno(error));
    return copied;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (fileName == nullptr || section == nullptr || Has(section, "]\r\n") || Has(key, "=\r\n") ||
        LooksLikeHeader(key) || Has(value, "\r\n")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = ResolveName(fileName);
    if (std::strchr(fileName, '/') == nullptr) {
        // The configuration folder is made on first use.
        std::error_code ignored; // a folder that cannot be made fails the write below
        std::filesystem::create_directories(ConfigDirectory(), ignored);
    }
    // A link is followed, so the file it leads to is changed and the link stays.
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) != nullptr)
        path = real;
    int error = 0;
    const auto text = ReadWhole(path, error);
    if (!text) {
        SetLastError(FromErrno(error));
        return FALSE;
    }
    const std::string changed = ini::Edit(*text, section, key, value);
    if (changed == *text) { // nothing to remove: no file is made for it
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    if (const int failed = ReplaceFile(path, changed); failed != 0) {
        SetLastError(FromErrno(failed));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace win
