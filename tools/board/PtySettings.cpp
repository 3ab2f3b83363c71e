// <asm/termbits.h> clashes with <termios.h>: it is the only one here, for the speed as a
// number whatever constant it was set with.
#include "tools/board/PtySettings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tavrin::board {

bool ReadPtySettings(int fd, UartSettings& uart) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    uart.baud = settings.c_ospeed;
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        uart.dataBits = 5;
        break;
    case CS6:
        uart.dataBits = 6;
        break;
    case CS7:
        uart.dataBits = 7;
        break;
    default:
        uart.dataBits = 8;
        break;
    }
    if ((settings.c_cflag & PARENB) == 0)
        uart.parity = Parity::None;
    else if ((settings.c_cflag & CMSPAR) != 0)
        uart.parity = (settings.c_cflag & PARODD) != 0 ? Parity::Mark : Parity::Space;
    else
        uart.parity = (settings.c_cflag & PARODD) != 0 ? Parity::Odd : Parity::Even;
    uart.stopHalves = (settings.c_cflag & CSTOPB) != 0 ? 4 : 2;
    return true;
}

} // namespace tavrin::board
