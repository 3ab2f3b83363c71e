// The port's life: construction, opening and closing with their notifications, the end of
// loading, and the bracket that defers configuration.

#include "serial/CPort.h"

#include "base/Application.h"

#include <memory>

namespace tavrin {

namespace {
bool DeviceIsGone(int systemError) {
    return systemError == static_cast<int>(win::ERROR_BAD_COMMAND) ||
           systemError == static_cast<int>(win::ERROR_DEVICE_NOT_CONNECTED);
}
} // namespace

TCustomComPort::TCustomComPort(TComponent* owner) : TComponent(owner) {
    auto parity = std::make_unique<TComParity>();
    auto flowControl = std::make_unique<TComFlowControl>();
    auto timeouts = std::make_unique<TComTimeouts>();
    auto buffer = std::make_unique<TComBuffer>();
    parity->SetOwnerPort(this);
    flowControl->SetOwnerPort(this);
    timeouts->SetOwnerPort(this);
    buffer->SetOwnerPort(this);
    parity_ = parity.release();
    flowControl_ = flowControl.release();
    timeouts_ = timeouts.release();
    buffer_ = buffer.release();
}

TCustomComPort::~TCustomComPort() {
    // An error out of a destructor would end the program. The error is shown instead, and
    // whatever the failed close left running (the event thread, the device) is ended here,
    // because nothing could reach it once the port is gone.
    try {
        ClosePort();
    } catch (...) {
        Application::Instance().HandleCurrentException();
    }
    try {
        if (threadCreated_)
            StopEventThread();
    } catch (...) {
        Application::Instance().HandleCurrentException();
    }
    CloseDevice();
    connected_ = false;

    delete buffer_;
    delete flowControl_;
    delete timeouts_;
    delete parity_;
    buffer_ = nullptr;
    flowControl_ = nullptr;
    timeouts_ = nullptr;
    parity_ = nullptr;
    // Free notifications go out now, while the link list still exists: a component that
    // follows the port detaches its link when told that the port goes away.
    Destroying();
}

void TCustomComPort::Loaded() {
    TComponent::Loaded();
    if (!connected_)
        return;
    connected_ = false;
    try {
        OpenPort();
    } catch (...) {
        // Loading has no caller to hand the error to.
        Application::Instance().HandleCurrentException();
    }
}

void TCustomComPort::SetConnected(bool value) {
    if (ComponentState().Contains(csLoading)) {
        connected_ = value;
        return;
    }
    if (value == connected_)
        return;
    if (value)
        OpenPort();
    else
        ClosePort();
}

void TCustomComPort::OpenPort() {
    if (connected_)
        return;
    HandleBeforeOpen();
    OpenDevice();
    // Errors of an earlier session are not this one's.
    countedLineErrors_ = 0;
    connected_ = true;
    try {
        ConfigureDevice();
        if (events_.Empty())
            threadCreated_ = false;
        else
            StartEventThread();
    } catch (...) {
        // A port that failed to open must not be left half open: neither a handle nor the
        // Connected state may survive the error (also when the event thread cannot start).
        CloseDevice();
        connected_ = false;
        throw;
    }
    HandleAfterOpen();
}

void TCustomComPort::ClosePort() {
    // A handler that closes on "DSR off" is told DSR is off by the close itself: the close
    // under way finishes the job.
    if (!connected_ || closing_)
        return;
    closing_ = true;
    struct Closing {
        bool& flag;
        ~Closing() { flag = false; }
    } closing{closing_};
    HandleBeforeClose();
    try {
        AbortTransfers();
    } catch (const EComPort& error) {
        // A device that has gone away (an unplugged adapter) cannot purge anything; refusing
        // to close it would leave the port open for good. Any other purge failure keeps the
        // port open, as the caller may retry.
        if (!DeviceIsGone(error.SystemError()))
            throw;
    }
    if (threadCreated_)
        StopEventThread();
    CloseDevice();
    connected_ = false;
    HandleAfterClose();
}

void TCustomComPort::BeginConfigUpdate() {
    ++updateCount_;
}

void TCustomComPort::EndConfigUpdate() {
    if (updateCount_ <= 0)
        return;
    if (--updateCount_ == 0)
        ConfigureDevice();
}

} // namespace tavrin
