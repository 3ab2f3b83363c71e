#pragma once

// A port that lets a test see what the engine keeps protected: the control block it would
// hand to the device, and how often each apply operation was asked for (whether or not it
// reached a device).

#include "serial/CPort.h"

namespace tavrin::testing {

class ProbePort : public TComPort {
public:
    using TComPort::TComPort;
    using TCustomComPort::BuildDeviceControlBlock;

    int deviceControlRequests = 0;
    int timeoutRequests = 0;
    int bufferRequests = 0;

    void ResetRequests() { deviceControlRequests = timeoutRequests = bufferRequests = 0; }

protected:
    void ApplyDeviceControl() override {
        ++deviceControlRequests;
        TComPort::ApplyDeviceControl();
    }
    void ApplyTimeoutSettings() override {
        ++timeoutRequests;
        TComPort::ApplyTimeoutSettings();
    }
    void ApplyBufferSizes() override {
        ++bufferRequests;
        TComPort::ApplyBufferSizes();
    }
};

} // namespace tavrin::testing
