#include "platform/driver/DcbRules.h"

namespace win {

DWORD ValidateDcb(const DCB& dcb) {
    const bool refused = dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 ||
                         dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS ||
                         (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) ||
                         (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) ||
                         dcb.fDtrControl == 3 || dcb.XonChar == dcb.XoffChar;
    return refused ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

std::chrono::nanoseconds CharacterTime(const DCB& dcb) {
    if (dcb.BaudRate == 0)
        return {};
    // Counted in half bits so that 1.5 stop bits stay exact.
    long long halfBits = 2 * (1 + dcb.ByteSize + (dcb.Parity != NOPARITY ? 1 : 0));
    halfBits += dcb.StopBits == ONE5STOPBITS ? 3 : dcb.StopBits == TWOSTOPBITS ? 4 : 2;
    return std::chrono::nanoseconds(halfBits * 1'000'000'000LL / (2LL * dcb.BaudRate));
}

DCB DefaultDcb() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

} // namespace win
