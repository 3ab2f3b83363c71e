#pragma once

// The port's event thread and the hidden window of smWindowSync. Private to the engine.

#include "base/Thread.h"
#include "platform/winapi/Messages.h"
#include "serial/CPort.h"

#include <atomic>
#include <memory>

namespace tavrin {

// The message the event thread sends per event under smWindowSync; wParam is the event's
// Win32 bit.
inline constexpr win::UINT CM_COMEVENT = win::WM_USER + 1;

// Keeps one overlapped WaitCommEvent pending on the port's device and hands every completed
// batch of events to the port, by the port's SyncMethod.
class TComThread : public TThread {
public:
    // Starts waiting at once, with the device's event mask set from the port's Events.
    explicit TComThread(TCustomComPort* port);
    // Stops the thread and waits for its end; a delivery under way finishes first.
    ~TComThread() override;

    void RequestStop();

    // The port lets go of the thread from a handler of one of the thread's own deliveries.
    // The thread is ended and, where another thread runs the handler, waited for; the
    // thread itself cannot wait for its own end, so there it ends after the delivery
    // without touching the port or the device again, and frees itself.
    static void Abandon(TComThread* thread);

protected:
    void Execute() override; // the event loop

private:
    void DeliverEvents();
    void SendEventMessages();
    void ProcessEvents();

    // Taken from the port when the thread starts: the port may change or go while the
    // thread ends.
    TCustomComPort* ownerPort_;
    win::HANDLE device_;
    TSyncMethod syncMethod_;
    win::HWND window_;
    win::HANDLE stopEvent_;
    TComEvents pendingEvents_;
    std::shared_ptr<DeliveryGate> gate_;
    std::atomic<bool> stopRequested_{false};
    bool abandonedInDelivery_ = false; // this thread only
};

// The port's hidden window under smWindowSync, owned by the thread that opened the port.
class NotificationWindow {
public:
    explicit NotificationWindow(TCustomComPort* port);
    ~NotificationWindow();
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    win::HWND Handle() const { return handle_; }
    // Drops every message from now on: the port is closing from one of its own handlers,
    // and what is left of that batch must not reach it.
    void Silence() { silenced_ = true; }

private:
    win::LRESULT HandleMessage(win::HWND window, win::UINT message, win::WPARAM wParam,
                               win::LPARAM lParam);

    TCustomComPort* port_;
    win::HWND handle_;
    bool silenced_ = false;
};

// The handling routine of the event whose Win32 bit is `bit`; nothing for other values.
void HandleEventBit(TCustomComPort& port, win::WPARAM bit);

} // namespace tavrin
