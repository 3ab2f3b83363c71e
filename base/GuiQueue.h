#pragma once

// Work that other threads hand to the GUI thread: the synchronous calls of threads and the
// messages sent to windows the GUI thread owns. The GUI binding watches WakeDescriptor (an
// eventfd that becomes readable whenever work is queued) and calls RunPending when it is,
// and the application's ProcessMessages calls RunPending too.

namespace tavrin::gui_queue {

// Marks the calling thread as the GUI thread. The first caller wins; the binding calls it
// at start-up.
void SetGuiThread();
bool IsGuiThread();

// A descriptor that is readable while work is waiting for the GUI thread.
int WakeDescriptor();

// Runs everything queued for the GUI thread; returns true if anything ran. GUI thread only.
bool RunPending();

} // namespace tavrin::gui_queue
