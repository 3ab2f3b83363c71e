#include "platform/winapi/Win32.h"

#include <cstring>

namespace win {

DWORD DcbFlags(const DCB& dcb) {
    DWORD flags;
    static_assert(offsetof(DCB, BaudRate) + sizeof(DWORD) == 8);
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + 8, sizeof flags);
    return flags & 0x7FFF; // fDummy2 is not part of the documented flags
}

} // namespace win
