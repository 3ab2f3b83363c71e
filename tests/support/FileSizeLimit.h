#pragma once

// The process's file size limit, lowered for a test and put back when it ends, however it
// ends: the limit binds root too, so it is how a test makes a file stop as on a full disk.
// Going past it raises SIGXFSZ, which is ignored meanwhile so that the write fails instead.

#include <csignal>
#include <sys/resource.h>

namespace tavrin::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0)
            return;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        set_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        if (!set_)
            std::signal(SIGXFSZ, previousHandler_);
    }
    ~FileSizeLimit() { Lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit is in force.
    bool Set() const { return set_; }

    void Lift() {
        if (!set_)
            return;
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
        set_ = false;
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool set_ = false;
};

} // namespace tavrin::testing
