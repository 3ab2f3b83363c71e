#pragma once

// The class library's thread: created suspended or running, a scheduling priority, a
// terminate request that Execute may look at, a wait for its end, and a synchronous call
// onto the GUI thread whose error comes back to the calling thread.

#include "base/Exception.h"
#include "base/ThreadPriority.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tavrin {

// Raised when a thread cannot be created or is asked to wait for itself.
class EThread : public Exception {
public:
    using Exception::Exception;
};

class TThread {
public:
    explicit TThread(bool CreateSuspended);
    // Ends the thread: terminate request, start if it never ran, wait for its end (serving
    // the GUI thread's queued work when destroyed there).
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Lets a suspended thread run Execute; does nothing once it runs.
    void Resume();
    void Start() { Resume(); }

    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    bool Suspended() const;
    bool Finished() const;

    TThreadPriority Priority() const;
    // Best effort: the system may refuse a priority above normal to an unprivileged process;
    // Priority() then still tells what was asked for.
    void SetPriority(TThreadPriority value);

    // Blocks until Execute has returned and gives ReturnValue. On the GUI thread, the
    // synchronous calls and sent messages of other threads go on being served meanwhile.
    int WaitFor();

    // The error that ended Execute, if one did; it is not shown to anyone.
    std::exception_ptr FatalException() const;

    // True on the thread that runs Execute.
    bool IsCurrentThread() const { return std::this_thread::get_id() == id_; }

    // For the thread itself, while Execute runs: the owner has let go of the object and
    // nobody will wait for it, so once Execute returns the object destroys itself there.
    // A thread cannot wait for its own end; this is how it ends without anyone waiting
    // (it is joined later, by the next thread that ends so or as the program ends).
    void SetFreeOnTerminate(bool value);

    // For the GUI thread while it runs a Synchronize of this thread: lets the thread go on
    // at once, as if the call had returned. The GUI thread can then wait for the thread's
    // end from inside that very call, which would otherwise wait for the GUI thread.
    void ReleaseSynchronize();

protected:
    virtual void Execute() = 0;

    // Runs `method` on the GUI thread while this thread blocks; an error raised there is
    // raised again here.
    void Synchronize(const std::function<void()>& method);

    void SetReturnValue(int value) { returnValue_.store(value); }

    // What destruction does, for derived destructors: Execute may still be using the
    // derived object's members, so the thread has to end before they go.
    void TerminateAndWait();

private:
    void Run();
    void ApplyPriority();

    std::thread thread_;
    std::thread::id id_; // thread_'s, kept: a thread that frees itself detaches thread_
    int endFd_ = -1;     // readable once Execute has returned
    mutable std::mutex mutex_;
    std::condition_variable startSignal_;
    bool started_ = false;
    bool abandoned_ = false; // destroyed before it ever ran: Execute must not run then
    bool finished_ = false;
    bool freeOnTerminate_ = false;
    int systemId_ = 0; // the kernel's id of the thread, known once it runs
    int baseNice_ = 0; // niceness inherited from the creating thread
    TThreadPriority priority_ = tpNormal;
    std::exception_ptr fatal_;
    std::atomic<bool> terminated_{false};
    std::atomic<int> returnValue_{0};
};

} // namespace tavrin
