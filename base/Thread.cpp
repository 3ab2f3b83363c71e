#include "base/Thread.h"

#include "base/GuiQueue.h"

#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace tavrin {

namespace {

// Niceness steps standing for the Win32 priorities; idle and time-critical go to the ends
// of the range.
int NiceOffset(TThreadPriority priority) {
    constexpr int offsets[] = {40, 10, 5, 0, -5, -10, -40};
    return offsets[priority];
}

// Threads that freed themselves, to be joined by someone else: a thread cannot join itself,
// and one nobody joins may still be finishing while the program ends and its globals go.
// Each adopting thread joins those adopted before it (they are past their last step or
// about to be); the program joins the rest as it ends.
class Reaper {
public:
    ~Reaper() {
        std::vector<std::thread> last;
        {
            std::lock_guard lock(mutex_);
            last.swap(threads_);
        }
        for (std::thread& thread : last)
            thread.join();
    }
    void Adopt(std::thread thread) {
        std::vector<std::thread> earlier;
        {
            std::lock_guard lock(mutex_);
            earlier.swap(threads_);
            threads_.push_back(std::move(thread));
        }
        for (std::thread& ended : earlier)
            ended.join();
    }

private:
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

// Made at the first adoption, after the globals the threads use, so ended first.
void AdoptEndingThread(std::thread thread) {
    static Reaper reaper;
    reaper.Adopt(std::move(thread));
}

} // namespace

TThread::TThread(bool CreateSuspended) {
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0); // the calling thread's own niceness on Linux
    baseNice_ = errno == 0 ? nice : 0;
    endFd_ = eventfd(0, EFD_CLOEXEC);
    if (endFd_ < 0)
        throw EThread(Format("Thread creation error: %s", std::strerror(errno)));
    try {
        thread_ = std::thread([this] { Run(); });
        id_ = thread_.get_id();
    } catch (const std::system_error& error) {
        close(endFd_);
        throw EThread(Format("Thread creation error: %s", error.what()));
    }
    if (!CreateSuspended)
        Resume();
}

TThread::~TThread() {
    {
        // The derived object is gone by now, so a thread that never ran must not start
        // Execute; derived classes whose thread may run end it in their own destructor.
        std::lock_guard lock(mutex_);
        if (!started_) {
            abandoned_ = true;
            startSignal_.notify_all();
        }
    }
    Terminate();
    // A thread that frees itself has handed thread_ to the reaper already.
    if (thread_.joinable()) {
        gui_queue::WaitServing(endFd_);
        thread_.join();
    }
    close(endFd_);
}

void TThread::TerminateAndWait() {
    Terminate();
    Resume();
    WaitFor();
}

void TThread::Resume() {
    std::lock_guard lock(mutex_);
    if (started_ || abandoned_)
        return;
    started_ = true;
    startSignal_.notify_all();
}

bool TThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return !started_ && !abandoned_;
}

bool TThread::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

TThreadPriority TThread::Priority() const {
    std::lock_guard lock(mutex_);
    return priority_;
}

void TThread::SetPriority(TThreadPriority value) {
    std::lock_guard lock(mutex_);
    priority_ = value;
    ApplyPriority();
}

// Caller holds mutex_.
void TThread::ApplyPriority() {
    if (systemId_ == 0 || finished_)
        return;
    int nice = std::clamp(baseNice_ + NiceOffset(priority_), -20, 19);
    // Refusal (raising priority without the privilege) leaves the thread as it was.
    setpriority(PRIO_PROCESS, static_cast<id_t>(systemId_), nice);
}

void TThread::SetFreeOnTerminate(bool value) {
    std::lock_guard lock(mutex_);
    freeOnTerminate_ = value;
}

void TThread::ReleaseSynchronize() {
    gui_queue::ReleaseCaller(id_);
}

int TThread::WaitFor() {
    if (IsCurrentThread())
        throw EThread("Cannot call WaitFor on the current thread");
    gui_queue::WaitServing(endFd_);
    // The descriptor only wakes; the lock is what orders the body's writes before ours.
    std::lock_guard lock(mutex_);
    return returnValue_.load();
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard lock(mutex_);
    return fatal_;
}

void TThread::Synchronize(const std::function<void()>& method) {
    gui_queue::Call(method);
}

void TThread::Run() {
    bool run;
    {
        std::unique_lock lock(mutex_);
        startSignal_.wait(lock, [this] { return started_ || abandoned_; });
        run = !abandoned_;
        if (run) {
            systemId_ = static_cast<int>(gettid());
            if (priority_ != tpNormal)
                ApplyPriority();
        }
    }
    std::exception_ptr fatal;
    if (run) {
        try {
            Execute();
        } catch (...) {
            fatal = std::current_exception();
        }
    }
    bool freeSelf;
    {
        std::lock_guard lock(mutex_);
        fatal_ = fatal;
        finished_ = true;
        freeSelf = freeOnTerminate_;
    }
    if (freeSelf) {
        std::thread self = std::move(thread_);
        delete this;
        AdoptEndingThread(std::move(self));
        return;
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(endFd_, &one, sizeof one);
}

} // namespace tavrin
