#pragma once

// The event object behind CreateEventA.

#include "platform/winapi/Waitable.h"

namespace win {

class Event : public Waitable {
public:
    Event(bool manualReset, bool initialState)
        : manualReset_(manualReset), signalled_(initialState) {}

    void Set();
    void Reset();
    bool IsSet() const;

protected:
    bool SignalledLocked() const override { return signalled_; }
    void TakeLocked() override;

private:
    const bool manualReset_;
    bool signalled_; // guarded by StateLock()
};

} // namespace win
