#pragma once

// The main window's port on one end of a pseudo-terminal pair and a real program, the
// Python peer, on the other: what the end-to-end tests of the window share.

#include "AppFixture.h"

#include "support/SerialPeer.h"
#include "support/SocatPair.h"

#include <memory>
#include <string>

namespace tavrin::testing {

class PeerFixture : public AppFixture {
protected:
    // Starts the pair and the peer, shows the window and points its port at this end;
    // call it through ASSERT_NO_FATAL_FAILURE.
    void ConnectPeer() {
        pair_ = std::make_unique<SocatPair>(temp_.Path());
        ASSERT_TRUE(pair_->Started()) << "socat missing? (scripts/install-deps)";
        peer_ = std::make_unique<SerialPeer>(PeerScript());
        ASSERT_TRUE(peer_->Started()) << "python3-serial missing? (scripts/install-deps)";
        ASSERT_TRUE(peer_->Open(pair_->PeerPath()));
        ShowMainWindow();
        Quelt->ComPort->SetPort(pair_->PortPath());
    }

    SerialPeer& Peer() { return *peer_; }
    SocatPair& Pair() { return *pair_; }
    // This end, the one the window's port opens.
    std::string PortPath() const { return pair_->PortPath(); }
    const TempFolder& Temp() const { return temp_; }

private:
    TempFolder temp_;
    std::unique_ptr<SocatPair> pair_;
    std::unique_ptr<SerialPeer> peer_;
};

} // namespace tavrin::testing
