// Wake-ups of the whole process while a port's output is stalled. Two stalls on a
// pseudo-terminal: the other end stops reading until every buffer on the way is full, and
// the other end sends XOFF under software flow control. Each is held for 5 s while the
// voluntary context switches of every thread of the process are counted (a thread that
// blocks and wakes up once is one). Prints `name: value` lines; `stalled_wakeups_5s` is the
// larger of the two counts.

#include "platform/driver/DcbRules.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Sync.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// Voluntary context switches of all threads of this process.
long long Wakeups() {
    long long total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream status(std::string("/proc/self/task/") + entry->d_name + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                total += std::stoll(line.substr(24));
        }
    }
    closedir(tasks);
    return total;
}

struct Stall {
    const char* name;
    bool softwareFlow;
};

// -1 when the port could not be set up.
long long MeasureStall(const Stall& stall) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return -1;
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    const std::string path = ttyname(slave);
    using namespace win;
    HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return -1;
    DCB dcb = DefaultDcb();
    dcb.BaudRate = 9600;
    dcb.fOutX = stall.softwareFlow;
    dcb.fInX = stall.softwareFlow;
    SetCommState(port, &dcb);
    // An output queue that takes the whole block below: a write larger than the queue waits
    // for room, and during a stall that room never comes.
    SetupComm(port, 4096, 1024 * 1024);
    SetCommMask(port, EV_TXEMPTY | EV_RXCHAR | EV_CTS | EV_DSR);
    // A wait for the end of transmission is pending all along, as the port's event thread
    // keeps one.
    OVERLAPPED waitDone{};
    waitDone.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD events = 0;
    WaitCommEvent(port, &events, &waitDone);

    if (stall.softwareFlow) {
        const char xoff = 0x13;
        [[maybe_unused]] auto n = write(master, &xoff, 1);
    }
    // More than the pseudo-terminal and the driver's queue hold.
    const std::string block(256 * 1024, 'x');
    OVERLAPPED writeDone{};
    writeDone.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    WriteFile(port, block.data(), static_cast<DWORD>(block.size()), &written, &writeDone);
    // Let the stall settle, then count.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long long before = Wakeups();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const long long after = Wakeups();

    PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    CloseHandle(port);
    CloseHandle(waitDone.hEvent);
    CloseHandle(writeDone.hEvent);
    close(slave);
    close(master);
    // The sleeping main thread itself wakes once.
    return after - before - 1;
}

} // namespace

int main() {
    const Stall stalls[] = {{"full_buffer", false}, {"xoff", true}};
    long long worst = 0;
    std::printf("bench: wake-ups of the process while output is stalled on a pseudo-terminal\n");
    for (const Stall& stall : stalls) {
        const long long wakeups = MeasureStall(stall);
        if (wakeups < 0) {
            std::printf("error: %s stall could not be set up\n", stall.name);
            return 1;
        }
        std::printf("stalled_wakeups_5s_%s: %lld\n", stall.name, wakeups);
        worst = std::max(worst, wakeups);
    }
    std::printf("stalled_wakeups_5s: %lld\n", worst);
    return 0;
}
