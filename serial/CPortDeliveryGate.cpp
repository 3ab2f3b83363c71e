#include "serial/CPortDeliveryGate.h"

namespace tavrin {

bool DeliveryGate::Enter(const std::function<bool()>& stopped) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    auto mayEnter = [&] { return depth_ == 0 || owner_ == self; };
    free_.wait(lock, [&] { return mayEnter() || stopped(); });
    if (!mayEnter())
        return false;
    owner_ = self;
    ++depth_;
    return true;
}

void DeliveryGate::Leave() {
    {
        std::lock_guard lock(mutex_);
        if (--depth_ == 0)
            owner_ = {};
    }
    free_.notify_all();
}

void DeliveryGate::Wake() {
    // Taken so that a waiter between its check and its sleep cannot miss the call.
    { std::lock_guard lock(mutex_); }
    free_.notify_all();
}

} // namespace tavrin
