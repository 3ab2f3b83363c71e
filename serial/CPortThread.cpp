// The event thread: one overlapped WaitCommEvent pending at a time, each completed wait
// handed to the port as one batch by the port's delivery method; and the hidden window that
// receives the batches under smWindowSync.

#include "serial/CPortThread.h"

#include "base/Application.h"
#include "platform/winapi/Comm.h"
#include "serial/CPortDelivery.h"

#include "base/GuiQueue.h"

#include <exception>
#include <memory>
#include <utility>

namespace tavrin {

namespace {

struct EventStep {
    TComEvent event;
    win::DWORD bit;
    void (TCustomComPort::*handle)();
};

// The order in which one batch is handled: an error first, so that it is known before the
// data that may have been damaged by it is looked at.
constexpr EventStep deliveryOrder[] = {
    {evError, win::EV_ERR, &TCustomComPort::HandleError},
    {evRxChar, win::EV_RXCHAR, &TCustomComPort::HandleRxChar},
    {evTxEmpty, win::EV_TXEMPTY, &TCustomComPort::HandleTxEmpty},
    {evBreak, win::EV_BREAK, &TCustomComPort::HandleBreak},
    {evRing, win::EV_RING, &TCustomComPort::HandleRing},
    {evCTS, win::EV_CTS, &TCustomComPort::HandleCTSChange},
    {evDSR, win::EV_DSR, &TCustomComPort::HandleDSRChange},
    {evRxFlag, win::EV_RXFLAG, &TCustomComPort::HandleRxFlag},
    {evRLSD, win::EV_RLSD, &TCustomComPort::HandleRLSDChange},
    {evRx80Full, win::EV_RX80FULL, &TCustomComPort::HandleRx80Full},
};

// Failures of a completed wait that mean the device is no longer there. Waiting again on it
// would complete at once with the same failure, forever.
bool DeviceGone(win::DWORD error) {
    switch (error) {
    case win::ERROR_DEVICE_NOT_CONNECTED:
    case win::ERROR_INVALID_HANDLE:
    case win::ERROR_ACCESS_DENIED:
    case win::ERROR_BAD_COMMAND:
    case win::ERROR_GEN_FAILURE:
    case win::ERROR_FILE_NOT_FOUND:
        return true;
    default:
        return false;
    }
}

// A handler's error must not silence the port: a terminal that stops showing what arrives,
// and says nothing, loses data. The error goes to the application's default error
// handling, which belongs to the GUI thread; an event thread waits there until it is shown.
void ShowDeliveryError(std::exception_ptr error) {
    auto show = [&error] {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            Application::Instance().HandleCurrentException();
        }
    };
    if (gui_queue::IsGuiThread())
        show();
    else
        gui_queue::Call(show);
}

} // namespace

void HandleEventBit(TCustomComPort& port, win::WPARAM bit) {
    for (const EventStep& step : deliveryOrder) {
        if (step.bit == bit) {
            (port.*step.handle)();
            return;
        }
    }
}

// ---- TComThread --------------------------------------------------------------------------

TComThread::TComThread(TCustomComPort* port)
    : TThread(true), ownerPort_(port), device_(port->handle_), syncMethod_(port->SyncMethod()),
      window_(port->window_ ? port->window_->Handle() : nullptr), gate_(port->deliveryGate_) {
    stopEvent_ = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
    SetPriority(port->EventPriority());
    win::SetCommMask(device_, EventsToMask(port->Events()));
    Resume();
}

TComThread::~TComThread() {
    // A thread that frees itself has ended already and cannot wait for itself.
    if (!IsCurrentThread()) {
        RequestStop();
        TerminateAndWait();
    }
    // Closed here rather than by the thread: a thread that ended early (an error in a
    // delivery) must not leave RequestStop a closed handle to signal.
    win::CloseHandle(stopEvent_);
}

void TComThread::RequestStop() {
    stopRequested_ = true;
    gate_->Wake();
    win::SetEvent(stopEvent_);
    win::Sleep(0);
}

void TComThread::Abandon(TComThread* thread) {
    if (!thread)
        return;
    if (thread->IsCurrentThread()) {
        thread->RequestStop();
        thread->abandonedInDelivery_ = true;
        thread->SetFreeOnTerminate(true);
        return;
    }
    // The thread is blocked in the delivery whose handler is running here: let it go, so
    // that it can end while this thread waits for it. The stop comes first: a thread let go
    // before it would wait again, and its next delivery, served by this wait, would call the
    // handlers of a closing port from inside the close.
    thread->RequestStop();
    thread->ReleaseSynchronize();
    delete thread;
}

void TComThread::Execute() {
    win::HANDLE device = device_;
    win::OVERLAPPED overlapped{};
    overlapped.hEvent = win::CreateEventA(nullptr, win::TRUE, win::TRUE, nullptr);
    const win::HANDLE waits[2] = {stopEvent_, overlapped.hEvent};
    // Written by the device when a wait completes, so it must outlive any wait left pending.
    win::DWORD mask = 0;
    bool pending = false;

    // Clearing the mask ends a wait still pending; the loop then waits for that completion,
    // because the device would otherwise write into `mask` and `overlapped` after they have
    // gone.
    auto endWaiting = [&] {
        win::SetCommMask(device, 0);
        if (pending)
            win::WaitForSingleObject(overlapped.hEvent, win::INFINITE);
    };

    try {
        for (;;) {
            if (!win::WaitCommEvent(device, &mask, &overlapped) &&
                win::GetLastError() != win::ERROR_IO_PENDING)
                break; // nothing would ever signal the wait: the device cannot be waited on
            pending = true;
            win::DWORD r = win::WaitForMultipleObjects(2, waits, win::FALSE, win::INFINITE);
            if (r != win::WAIT_OBJECT_0 + 1)
                break;
            pending = false;
            win::DWORD transferred = 0;
            if (win::GetOverlappedResult(device, &overlapped, &transferred, win::FALSE)) {
                pendingEvents_ = MaskToEvents(mask);
                DeliverEvents();
                // Closed by its own handler on this thread: the port has closed the device
                // (it may even be gone) and no wait is pending.
                if (abandonedInDelivery_) {
                    win::CloseHandle(overlapped.hEvent);
                    return;
                }
            } else if (DeviceGone(win::GetLastError())) {
                break;
            }
        }
    } catch (...) {
        // The delivery itself failed (a handler's own error is shown and never gets here):
        // the thread ends, and the data still queued stays where the application can read it.
        if (!abandonedInDelivery_)
            endWaiting();
        win::CloseHandle(overlapped.hEvent);
        throw;
    }
    endWaiting();
    // Data not sent or not read by now is dropped with the port.
    win::PurgeComm(device, win::PURGE_TXCLEAR | win::PURGE_RXCLEAR);
    win::CloseHandle(overlapped.hEvent);
}

void TComThread::DeliverEvents() {
    switch (syncMethod_) {
    case smThreadSync:
        Synchronize([this] { ProcessEvents(); });
        break;
    case smWindowSync:
        SendEventMessages();
        break;
    case smNone:
        ProcessEvents();
        break;
    }
}

void TComThread::SendEventMessages() {
    if (!window_)
        return;
    // A window destroyed meanwhile refuses the message at once.
    for (const EventStep& step : deliveryOrder) {
        if (pendingEvents_.Contains(step.event))
            win::SendMessageA(window_, CM_COMEVENT, step.bit, 0);
    }
}

void TComThread::ProcessEvents() {
    TCustomComPort* port = ownerPort_;
    const TComEvents events = pendingEvents_;
    // On the event thread, a handler of the thread before may still be running (it closed
    // and reopened the port): its turn ends first. A stop meanwhile drops the batch.
    const std::shared_ptr<DeliveryGate> gate = syncMethod_ == smNone ? gate_ : nullptr;
    if (gate && !gate->Enter([this] { return stopRequested_.load(); }))
        return;
    struct Turn {
        DeliveryGate* gate;
        ~Turn() {
            if (gate)
                gate->Leave();
        }
    } turn{gate.get()};
    DeliveryScope delivery(port);
    for (const EventStep& step : deliveryOrder) {
        if (!events.Contains(step.event))
            continue;
        try {
            (port->*step.handle)();
        } catch (...) {
            ShowDeliveryError(std::current_exception());
        }
        // A handler closed the port, which may have freed the port and this thread object
        // with it: only locals from here on, and the rest of the batch is dropped.
        if (delivery.Ends() != 0)
            return;
    }
}

// ---- NotificationWindow ------------------------------------------------------------------

NotificationWindow::NotificationWindow(TCustomComPort* port) : port_(port) {
    handle_ = win::CreateMessageWindow(
        [this](win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return HandleMessage(window, message, wParam, lParam);
        });
}

NotificationWindow::~NotificationWindow() {
    win::DestroyWindow(handle_);
}

win::LRESULT NotificationWindow::HandleMessage(win::HWND window, win::UINT message,
                                               win::WPARAM wParam, win::LPARAM lParam) {
    if (message != CM_COMEVENT)
        return win::DefWindowProcA(window, message, wParam, lParam);
    // A handler may close the port, which destroys this object: only locals from here on.
    TCustomComPort* port = port_;
    try {
        if (win::InSendMessage())
            win::ReplyMessage(0);
        if (!silenced_ && port->Connected()) {
            DeliveryScope delivery(port);
            HandleEventBit(*port, wParam);
        }
    } catch (...) {
        Application::Instance().HandleCurrentException();
    }
    return 0;
}

// ---- The port's side ---------------------------------------------------------------------

void TCustomComPort::StartEventThread() {
    if (events_.Empty()) {
        threadCreated_ = false;
        return;
    }
    std::unique_ptr<NotificationWindow> window;
    if (syncMethod_ == smWindowSync)
        window = std::make_unique<NotificationWindow>(this);
    // The thread reads the window from its first delivery on.
    window_ = window.get();
    try {
        eventThread_ = new TComThread(this);
    } catch (...) {
        window_ = nullptr;
        throw;
    }
    window.release();
    threadCreated_ = true;
}

void TCustomComPort::StopEventThread() {
    // Taken before the wait: a delivery served while the thread ends may run a handler that
    // closes the port again, and it must find nothing left to stop.
    TComThread* thread = std::exchange(eventThread_, nullptr);
    NotificationWindow* window = std::exchange(window_, nullptr);
    threadCreated_ = false;
    if (DeliveryScope::EndAll(this)) {
        // Closing from a handler of the port's own delivery, on whichever thread runs it:
        // the thread is held in that delivery, so waiting for it the usual way would wait
        // for this very handler. Nothing more of the batch may arrive either.
        if (window)
            window->Silence();
        TComThread::Abandon(thread);
    } else {
        delete thread;
    }
    delete window;
}

} // namespace tavrin
