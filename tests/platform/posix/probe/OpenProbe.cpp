// Opens one device name as the engine does and prints the Win32 code it failed with (0 when
// it opened). Run under strace by the tests, so that what the open path touches is seen.

#include "platform/winapi/Comm.h"
#include "platform/winapi/Sync.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    using namespace win;
    const HANDLE handle = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    const DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    std::printf("%u\n", static_cast<unsigned>(error));
    std::fflush(stdout);
    return 0;
}
