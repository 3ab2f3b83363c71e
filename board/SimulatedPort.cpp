#include "board/SimulatedPort.h"

namespace tavrin::board {

UartSettings SettingsOf(const win::DCB& dcb) {
    using namespace win;
    UartSettings uart;
    uart.baud = dcb.BaudRate;
    uart.dataBits = dcb.ByteSize >= 5 && dcb.ByteSize <= 8 ? dcb.ByteSize : 8;
    switch (dcb.Parity) {
    case ODDPARITY:
        uart.parity = Parity::Odd;
        break;
    case EVENPARITY:
        uart.parity = Parity::Even;
        break;
    case MARKPARITY:
        uart.parity = Parity::Mark;
        break;
    case SPACEPARITY:
        uart.parity = Parity::Space;
        break;
    default:
        uart.parity = Parity::None;
        break;
    }
    uart.stopHalves = dcb.StopBits == ONE5STOPBITS ? 3 : dcb.StopBits == TWOSTOPBITS ? 4 : 2;
    return uart;
}

SimulatedPort::SimulatedPort(const std::string& name, std::uint32_t seed, bool record)
    : name_(name), device_(win::virt::VirtualDevice::Register(name)) {
    device_->SetCaptureOutput(record);
    device_->SetJournalling(record);
    BoardLine& line = *this;
    host_ = std::make_unique<BoardHost>(line, seed);
    BoardHost* host = host_.get();
    device_->SetOutputTap([host](std::uint8_t byte, const win::DCB& dcb, Clock::time_point at) {
        host->Arrive(byte, SettingsOf(dcb), at);
    });
}

SimulatedPort::~SimulatedPort() {
    device_->SetOutputTap(nullptr);
    host_.reset();
    win::virt::VirtualDevice::Unregister(name_);
}

void SimulatedPort::Send(std::uint8_t byte, const UartSettings& uart, int flippedBit) {
    using namespace win;
    const win::DCB dcb = device_->ActiveDcb();
    for (const Arrival& arrival : Transmit(byte, uart, SettingsOf(dcb), flippedBit)) {
        win::DWORD errors = 0;
        std::uint8_t kept = arrival.byte;
        // A driver checks parity only when asked to, and may put its error character in
        // place of a byte that failed the check.
        if (arrival.parityError && dcb.fParity) {
            errors |= CE_RXPARITY;
            if (dcb.fErrorChar)
                kept = static_cast<std::uint8_t>(dcb.ErrorChar);
        }
        if (arrival.framingError)
            errors |= CE_FRAME;
        device_->Inject(std::string(1, static_cast<char>(kept)));
        if (errors != 0)
            device_->InjectErrors(errors);
    }
}

void SimulatedPort::SetPresent(bool present) {
    device_->SetDSR(present);
    device_->SetCTS(present);
}

} // namespace tavrin::board
