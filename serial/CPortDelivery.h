#pragma once

// A handler may close, reopen or destroy the very port that is telling it something. Every
// routine that goes on calling out after a handler has returned looks first at the
// delivery it runs in, which lives on the stack and so outlives the port, and stops once
// that delivery has been ended. Private to the engine.

namespace tavrin {

class TCustomComPort;

// One delivery of line events to a port, on the thread that runs the port's handling
// routines for it. Deliveries nest: a handler may pump messages and receive the next one.
class DeliveryScope {
public:
    explicit DeliveryScope(const TCustomComPort* port);
    ~DeliveryScope();
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

    // How often the port was closed since this delivery began.
    int Ends() const { return ends_; }

    // The innermost delivery to `port` running on the calling thread, or null.
    static const DeliveryScope* Innermost(const TCustomComPort* port);
    // Ends every delivery to `port` running on the calling thread (the port is closing);
    // true if there was one.
    static bool EndAll(const TCustomComPort* port);

private:
    const TCustomComPort* port_;
    DeliveryScope* outer_;
    int ends_ = 0;
};

// Taken by a routine before it calls out: tells whether the delivery it runs in has been
// ended since, so that nothing more may be said about the port. Outside a delivery it never
// reports an end.
class DeliveryWatch {
public:
    explicit DeliveryWatch(const TCustomComPort* port)
        : scope_(DeliveryScope::Innermost(port)), ends_(scope_ ? scope_->Ends() : 0) {}
    bool Ended() const { return scope_ && scope_->Ends() != ends_; }

private:
    const DeliveryScope* scope_;
    int ends_;
};

} // namespace tavrin
