// The simulated board as the program reaches it: a port opened by name through the engine,
// driven as the main window drives a board (characters 10 ms apart, then a NUL).

#include "board/SimulatedPort.h"
#include "serial/CPort.h"
#include "support/GuiPump.h"
#include "support/VirtualPort.h"

#include "base/GuiQueue.h"
#include "base/Strings.h"
#include "platform/winapi/DeviceDescriptions.h"

#include <gtest/gtest.h>

namespace tavrin::board {
namespace {

using namespace std::chrono_literals;
using tavrin::testing::PumpUntil;

class SimulatedPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui_queue::SetGuiThread();
        port_.SetPort(name_);
        port_.OnRxChar = [this](TObject*, std::int32_t count) {
            std::string chunk;
            port_.ReadText(chunk, count);
            received_ += chunk;
        };
        port_.OnDSRChange = [this](TObject*, bool on) { dsr_.push_back(on); };
    }
    void TearDown() override { port_.ClosePort(); }

    void Wait(std::chrono::milliseconds time) {
        PumpUntil([] { return false; }, time);
    }
    void Command(const std::string& text) {
        for (char c : text) {
            port_.SendChar(c);
            Wait(10ms);
        }
        port_.SendChar('\0');
    }
    bool WaitFor(const std::string& text) {
        return PumpUntil([&] { return received_.find(text) != std::string::npos; });
    }
    bool Signals(TModemSignal signal) { return port_.ReadSignals().Contains(signal); }
    // The line errors the driver reported to the port since the last call (the port reads
    // them with its queue count, before any error notification could).
    win::DWORD DriverErrors() {
        win::DWORD errors = 0;
        for (const auto& entry : sim_.Device().Journal())
            if (entry.call == win::virt::Call::ClearCommError)
                errors |= entry.arg1;
        sim_.Device().ClearJournal();
        return errors;
    }

    const std::string name_ = tavrin::testing::UniqueDeviceName();
    SimulatedPort sim_{name_, 1, true};
    std::string received_;
    std::vector<bool> dsr_;
    TComPort port_;
};

TEST_F(SimulatedPortTest, OpensByNameWithBothLinesAndAnswers) {
    port_.OpenPort();
    EXPECT_TRUE(Signals(msDSR));
    EXPECT_TRUE(Signals(msCTS));
    Command("AJUDA");
    ASSERT_TRUE(WaitFor("CLS                 limpa o painel\r\n")) << received_;
    EXPECT_EQ(received_.rfind("Comandos da placa", 0), 0u);
    EXPECT_EQ(DriverErrors(), 0u);
}

TEST_F(SimulatedPortTest, AWrongBaudRateGivesGarbageBothWaysAndTheBoardCountsErrors) {
    port_.OpenPort();
    Command("ECO ON");
    ASSERT_TRUE(WaitFor("eco ligado\r\n"));
    // At 19200 each of the port's characters is over before the board's second sample: the
    // board takes wrong bytes (or none), and echoes them.
    port_.SetBaudRate(br19200);
    received_.clear();
    Command("STATUS");
    Wait(200ms);
    EXPECT_FALSE(received_.empty());
    EXPECT_EQ(received_.find("STATUS"), std::string::npos) << received_;
    // The board's own answer at 9600, sampled at 19200: the port reports framing errors.
    port_.SetBaudRate(br9600);
    Wait(Board::kCommandTimeout + 200ms); // the board forgets the garbage command
    Command("ECO OFF");
    ASSERT_TRUE(WaitFor("eco desligado\r\n")) << received_;
    Command("AJUDA");
    ASSERT_TRUE(WaitFor("Comandos da placa"));
    port_.SetBaudRate(br19200);
    received_.clear();
    DriverErrors();
    Wait(300ms);
    EXPECT_EQ(received_.find("LED"), std::string::npos) << received_;
    EXPECT_TRUE(DriverErrors() & win::CE_FRAME);
    // At 4800 the board's samples fall inside the port's slow bits: it sees framing errors.
    Wait(1s); // the rest of the help
    port_.SetBaudRate(br4800);
    Command("STATUS");
    Wait(Board::kCommandTimeout + 200ms);
    port_.SetBaudRate(br9600);
    received_.clear();
    DriverErrors();
    Command("STATUS");
    ASSERT_TRUE(PumpUntil([&] {
        const auto at = received_.find("com erro ");
        return at != std::string::npos && received_.find("\r\n", at) != std::string::npos;
    })) << received_;
    const auto at = received_.find("com erro ") + 9;
    EXPECT_GT(std::stoi(received_.substr(at)), 0) << received_;
    EXPECT_EQ(DriverErrors(), 0u);
}

TEST_F(SimulatedPortTest, ParityTheBoardDoesNotUseIsReportedAsTheRealLineWould) {
    port_.Parity().SetBits(prEven);
    port_.Parity().SetCheck(true);
    port_.Parity().SetReplace(true);
    port_.Parity().SetReplaceChar('?');
    port_.OpenPort();
    // The board answers 8N1; its stop bit (high) lands on the port's even parity bit, which
    // fits the letters with an odd count of ones only: "D" (two ones) fails the check and
    // the driver puts its error character in its place.
    Command("LED1 ON");
    ASSERT_TRUE(PumpUntil([&] { return received_.size() >= 13; })) << received_;
    EXPECT_EQ(received_.substr(0, 4), "LE?1") << received_;
    const win::DWORD errors = DriverErrors();
    EXPECT_TRUE(errors & win::CE_RXPARITY);
    EXPECT_FALSE(errors & win::CE_FRAME);
}

TEST_F(SimulatedPortTest, TheBoardGoingAwayDropsDsrAndCtsUntilItReturns) {
    port_.OpenPort();
    Command("DESCONECTAR 1");
    ASSERT_TRUE(PumpUntil([&] { return !dsr_.empty() && !dsr_.back(); }));
    EXPECT_FALSE(Signals(msCTS));
    EXPECT_EQ(received_, "desconectando por 1 s\r\n");
    ASSERT_TRUE(PumpUntil([&] { return !dsr_.empty() && dsr_.back(); }));
    EXPECT_TRUE(Signals(msCTS));
    Command("LED2");
    ASSERT_TRUE(WaitFor("LED2 ligado\r\n")) << received_;
}

TEST_F(SimulatedPortTest, APortClosedWhileTheBoardAnswersLosesTheAnswerOnly) {
    port_.OpenPort();
    Command("AJUDA");
    ASSERT_TRUE(WaitFor("Comandos"));
    port_.ClosePort();
    Wait(50ms);
    port_.OpenPort();
    received_.clear();
    Wait(1s); // the rest of the help was sent to a closed port
    received_.clear();
    Command("LED1");
    ASSERT_TRUE(WaitFor("LED1 ligado\r\n")) << received_;
}

TEST(SimulatedPortListing, AListedBoardJoinsTheSerialDevicesWithItsDescription) {
    const std::string name = tavrin::testing::UniqueDeviceName();
    auto listed = [&] {
        TStrings names;
        try {
            ListComPorts(names);
        } catch (const EComPort&) {
            return false; // no serial device at all
        }
        for (std::size_t i = 0; i < names.Count(); ++i)
            if (names[i] == name)
                return true;
        return false;
    };
    {
        SimulatedPort sim(name);
        EXPECT_FALSE(listed()); // a virtual device is not listed unless it asks
        sim.Device().SetListed(kSimulatedPortDescription);
        EXPECT_TRUE(listed());
        EXPECT_EQ(win::SerialDeviceDescriptions()[name], "Placa simulada: pratique sem hardware");
    }
    EXPECT_FALSE(listed()); // gone with the board
}

} // namespace
} // namespace tavrin::board
