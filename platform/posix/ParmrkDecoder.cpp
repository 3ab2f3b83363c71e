#include "platform/posix/ParmrkDecoder.h"

namespace win::posix {

void ParmrkDecoder::Decode(const std::uint8_t* in, std::size_t count,
                           std::vector<std::uint8_t>& out, std::vector<Mark>& marks) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = in[i];
        switch (state_) {
        case State::Plain:
            if (byte == 0xFF)
                state_ = State::Escape;
            else
                out.push_back(byte);
            break;
        case State::Escape:
            if (byte == 0x00) {
                state_ = State::Marked;
            } else {
                // 0xFF 0xFF is one 0xFF; anything else after 0xFF the line discipline never
                // produces, and is kept as it came.
                out.push_back(0xFF);
                if (byte != 0xFF)
                    out.push_back(byte);
                state_ = State::Plain;
            }
            break;
        case State::Marked:
            marks.push_back({out.size(), byte});
            out.push_back(byte);
            state_ = State::Plain;
            break;
        }
    }
}

} // namespace win::posix
