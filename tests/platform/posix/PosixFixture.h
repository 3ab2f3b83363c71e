#pragma once

// A port of the engine on one end of a socat pseudo-terminal pair, mapped as COM7 through a
// private <config>/dosdevices, and pyserial on the other end. The test's thread is the GUI
// thread: it opens the port and serves the notifications while it waits.

#include "base/GuiQueue.h"
#include "serial/CPort.h"
#include "support/TempConfig.h"
#include "support/FakeSystem.h"
#include "support/SerialPeer.h"
#include "support/SocatPair.h"

#include <gtest/gtest.h>

#include "support/GuiPump.h"
#include <chrono>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrin::testing {

class PosixPortTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts (again) socat with the same two links.
    void StartPair();
    bool WaitReceived(std::size_t count);
    bool WaitDsr(bool on);

    TempFolder temp_;
    std::unique_ptr<TempConfig> config_;
    std::unique_ptr<SocatPair> pair_;
    std::unique_ptr<SerialPeer> peer_;
    std::unique_ptr<TComPort> port_;
    std::string received_;
    std::vector<bool> dsr_; // every OnDSRChange, in order
};

} // namespace tavrin::testing
