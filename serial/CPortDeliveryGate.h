#pragma once

// Under smNone the port's handlers run on its event thread. A handler that closes and
// reopens the port starts a new event thread while it is itself still running, and the new
// thread must not call the port's handlers until it has returned. The gate is shared by the
// port and its threads, so that it outlives whichever of them goes first. Private to the
// engine.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tavrin {

class DeliveryGate {
public:
    // Waits until no other thread delivers to the port, or until `stopped` holds (checked
    // whenever Wake is called). True when the caller may deliver; it then calls Leave.
    // A thread already inside enters again at once.
    bool Enter(const std::function<bool()>& stopped);
    void Leave();
    // A waiting thread's stop was requested.
    void Wake();

private:
    std::mutex mutex_;
    std::condition_variable free_;
    std::thread::id owner_;
    int depth_ = 0;
};

} // namespace tavrin
