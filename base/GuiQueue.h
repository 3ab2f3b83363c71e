#pragma once

// Work that other threads hand to the GUI thread: the synchronous calls of threads and the
// messages sent to windows the GUI thread owns. The GUI binding watches WakeDescriptor (an
// eventfd that becomes readable whenever work is queued) and calls RunPending when it is,
// and the application's ProcessMessages calls RunPending too.

#include <functional>
#include <thread>

namespace tavrin::gui_queue {

// Marks the calling thread as the GUI thread. The first caller wins; the binding calls it
// at start-up.
void SetGuiThread();
bool IsGuiThread();

// A descriptor that is readable while work is waiting for the GUI thread (it may also be
// readable when a RunPending finds nothing). -1 until a thread is the GUI thread.
int WakeDescriptor();

// Runs everything queued for the GUI thread; returns true if anything ran. GUI thread only
// (elsewhere it does nothing). Errors of sent messages' handlers go to the application's
// default error handling; nothing leaves this call by an exception.
bool RunPending();

// Runs `work` on the GUI thread and returns once it has run there; an error it raised is
// raised again here. On the GUI thread itself, or while no thread is the GUI thread, the
// work runs at once on the calling thread.
void Call(const std::function<void()>& work);

// Lets the thread whose synchronous call the GUI thread is running right now (anywhere up
// its stack) go on at once, as if the call had returned without an error; what the call
// still does, and any error it raises from now on, no longer concerns that thread. True if
// such a call was found. GUI thread only. The GUI thread needs this when the work it runs
// for a thread decides to wait for that very thread's end.
bool ReleaseCaller(std::thread::id caller);

// Blocks until `fd` is readable. On the GUI thread, queued work keeps being run meanwhile,
// so a thread that waits for the GUI thread cannot deadlock with a GUI thread waiting for
// it; nothing else is processed.
void WaitServing(int fd);

} // namespace tavrin::gui_queue
