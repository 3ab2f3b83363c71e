#include "board/LineModel.h"

namespace tavrin::board {

namespace {

bool ParityBit(std::uint8_t data, int bits, Parity parity) {
    int ones = 0;
    for (int i = 0; i < bits; ++i)
        ones += (data >> i) & 1;
    switch (parity) {
    case Parity::Odd:
        return ones % 2 == 0;
    case Parity::Even:
        return ones % 2 == 1;
    case Parity::Mark:
        return true;
    case Parity::Space:
    case Parity::None:
        break;
    }
    return false;
}

// The sender's frame as line levels, one per half bit, so that 1.5 stop bits fit.
class Waveform {
public:
    Waveform(std::uint8_t byte, const UartSettings& uart, int flippedBit) {
        std::vector<bool> bits;
        bits.push_back(false);
        for (int i = 0; i < uart.dataBits; ++i)
            bits.push_back(((byte >> i) & 1) != 0);
        if (uart.parity != Parity::None)
            bits.push_back(ParityBit(byte, uart.dataBits, uart.parity));
        const int stopBits = (uart.stopHalves + 1) / 2;
        for (int i = 0; i < stopBits; ++i)
            bits.push_back(true);
        if (flippedBit >= 0 && flippedBit < static_cast<int>(bits.size()))
            bits[static_cast<std::size_t>(flippedBit)] =
                !bits[static_cast<std::size_t>(flippedBit)];
        for (std::size_t i = 0; i < bits.size(); ++i) {
            const bool halfStop = i + 1 == bits.size() && uart.stopHalves % 2 == 1;
            halves_.push_back(bits[i]);
            if (!halfStop)
                halves_.push_back(bits[i]);
        }
    }

    std::size_t Halves() const { return halves_.size(); }
    // The level in half bit `index`; before and after the frame the line idles high.
    bool At(long long index) const {
        if (index < 0 || index >= static_cast<long long>(halves_.size()))
            return true;
        return halves_[static_cast<std::size_t>(index)];
    }

private:
    std::vector<bool> halves_;
};

} // namespace

int FrameBits(const UartSettings& uart) {
    return 1 + uart.dataBits + (uart.parity != Parity::None ? 1 : 0) + (uart.stopHalves + 1) / 2;
}

std::vector<Arrival> Transmit(std::uint8_t byte, const UartSettings& sender,
                              const UartSettings& receiver, int flippedBit) {
    std::vector<Arrival> arrived;
    if (sender.baud == 0 || receiver.baud == 0)
        return arrived;
    const Waveform line(byte, sender, flippedBit);
    // Time is counted in units of 1 / (2 * sender baud * receiver baud) seconds: a sender's
    // half bit is `receiver.baud` units, a receiver's half bit `sender.baud` units, both
    // whole numbers.
    const long long senderHalf = receiver.baud;
    const long long receiverHalf = sender.baud;
    // A sample that falls exactly on a change of level reads the new level, as a UART's
    // three samples around the middle of a bit vote.
    auto level = [&](long long t) { return line.At(t / senderHalf); };
    const long long end = static_cast<long long>(line.Halves()) * senderHalf;
    long long huntFrom = 0;
    const int dataBits = receiver.dataBits;
    const bool parity = receiver.parity != Parity::None;
    // Every character the receiver takes ends past its start edge, so this ends.
    while (huntFrom < end) {
        // The next falling edge at or after huntFrom: the start of a half bit that is low
        // after one that is high.
        long long edge = -1;
        for (long long h = (huntFrom + senderHalf - 1) / senderHalf;
             h < static_cast<long long>(line.Halves()); ++h) {
            if (!line.At(h) && line.At(h - 1)) {
                edge = h * senderHalf;
                break;
            }
        }
        if (edge < 0)
            break;
        const long long bit = 2 * receiverHalf;
        const long long startSample = edge + receiverHalf;
        if (level(startSample)) {
            huntFrom = startSample; // a false start
            continue;
        }
        Arrival got;
        long long sample = startSample;
        for (int i = 0; i < dataBits; ++i) {
            sample += bit;
            if (level(sample)) {
                got.byte = static_cast<std::uint8_t>(got.byte | (1u << i));
            }
        }
        if (parity) {
            sample += bit;
            const bool seen = level(sample);
            got.parityError = seen != ParityBit(got.byte, dataBits, receiver.parity);
        }
        sample += bit;
        got.framingError = !level(sample);
        arrived.push_back(got);
        huntFrom = sample;
    }
    return arrived;
}

} // namespace tavrin::board
