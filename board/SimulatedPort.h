#pragma once

// The simulated board behind a virtual device: the port "SIM" that a student opens like any
// other, with a board on the far end of its line. The bytes the port sends reach the board
// through the line model at the port's settings of the moment, and the board's answers reach
// the port the same way, with the errors a real UART would report.

#include "board/BoardHost.h"
#include "platform/virtual/VirtualDevice.h"

#include <memory>
#include <string>

namespace tavrin::board {

// The name the program registers the board under, and what the port list says it is.
inline constexpr const char kSimulatedPortName[] = "SIM";
inline constexpr const char kSimulatedPortDescription[] = "Placa simulada: pratique sem hardware";

// The UART settings a control block asks for.
UartSettings SettingsOf(const win::DCB& dcb);

class SimulatedPort : private BoardLine {
public:
    // Registers the board's device under `name`; it stays registered while this lives. The
    // device keeps neither a journal nor the bytes written unless `record` (tests).
    explicit SimulatedPort(const std::string& name = kSimulatedPortName, std::uint32_t seed = 2024,
                           bool record = false);
    ~SimulatedPort() override;
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    win::virt::VirtualDevice& Device() { return *device_; }
    UartSettings BoardUart() const { return host_->Uart(); }

private:
    void Send(std::uint8_t byte, const UartSettings& uart, int flippedBit) override;
    void SetPresent(bool present) override;

    const std::string name_;
    std::shared_ptr<win::virt::VirtualDevice> device_;
    std::unique_ptr<BoardHost> host_;
};

} // namespace tavrin::board
