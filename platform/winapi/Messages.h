#pragma once

// Hidden message windows. A window belongs to the thread that created it, and its handler
// only ever runs on that thread. A message sent from another thread waits in the owner's
// queue until the owner takes its sent messages (DeliverSentMessages); the sender blocks
// until the handler returns or releases it earlier with ReplyMessage.

#include "platform/winapi/Win32.h"

#include <functional>

namespace win {

// A window handle of ours: a key into the table of live windows, never dereferenced, so a
// stale handle is recognised instead of reaching freed memory.
struct MessageWindow;
using HWND = MessageWindow*;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_USER = 0x0400;

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

using WindowHandler =
    std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a window owned by the calling thread whose messages go to `handler`.
HWND CreateMessageWindow(WindowHandler handler);
// Owner thread only (another thread gets FALSE with ERROR_ACCESS_DENIED). Senders still
// waiting for the window are released with 0; a handler already running finishes.
BOOL DestroyWindow(HWND window);

// On the owner thread the handler is called at once; from another thread the call blocks
// until the owner has handled or replied to the message. A destroyed window, or one whose
// owner thread has ended, gives 0 with ERROR_INVALID_WINDOW_HANDLE.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// TRUE while the calling thread handles a message that another thread sent.
BOOL InSendMessage();
// Releases the sender of the message being handled with `result`; FALSE when there is no
// such sender or it has been released already.
BOOL ReplyMessage(LRESULT result);
// No message has a default action here: the result is 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The calling thread's side of sent messages. The descriptor (an eventfd) is readable while
// messages may be waiting; other layers may write to it to wake the thread, as it is
// cleared only by DeliverSentMessages, before it looks at the queue.
int SentMessageDescriptor();
// Handles every message waiting for the calling thread's windows; true if any was taken.
// An error a handler raises passes on (its sender is released with 0); calling again
// handles the rest.
bool DeliverSentMessages();

} // namespace win
