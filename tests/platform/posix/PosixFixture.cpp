#include "PosixFixture.h"

#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace tavrin::testing {

void PosixPortTest::SetUp() {
    gui_queue::SetGuiThread();
    ASSERT_FALSE(temp_.Path().empty());
    config_ = std::make_unique<TempConfig>(temp_.Path() + "/config");
    StartPair();
    config_->MapCom(7, pair_->PortPath());
    peer_ = std::make_unique<SerialPeer>(PeerScript());
    ASSERT_TRUE(peer_->Started()) << "python3-serial missing? (scripts/install-deps)";
    ASSERT_TRUE(peer_->Open(pair_->PeerPath()));
    // A look at the port's side that stays possible while the port holds it.
    ASSERT_EQ(peer_->Ask("hold " + pair_->PortPath()), "ok");

    port_ = std::make_unique<TComPort>();
    port_->SetPort("COM7");
    port_->OnRxChar = [this](TObject*, std::int32_t count) {
        std::string chunk;
        port_->ReadText(chunk, count);
        received_ += chunk;
    };
    port_->OnDSRChange = [this](TObject*, bool on) { dsr_.push_back(on); };
}

void PosixPortTest::TearDown() {
    port_.reset();
    peer_.reset();
    pair_.reset();
    config_.reset();
}

void PosixPortTest::StartPair() {
    pair_.reset();
    pair_ = std::make_unique<SocatPair>(temp_.Path());
    ASSERT_TRUE(pair_->Started()) << "socat missing? (scripts/install-deps)";
}

bool PosixPortTest::WaitReceived(std::size_t count) {
    return PumpUntil([&] { return received_.size() >= count; });
}

bool PosixPortTest::WaitDsr(bool on) {
    return PumpUntil([&] { return !dsr_.empty() && dsr_.back() == on; });
}

} // namespace tavrin::testing
