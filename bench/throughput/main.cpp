// Receive throughput of the engine on a pseudo-terminal: 1 MiB written into the other end,
// read through TComPort as the main window reads (OnRxChar, then ReadText). Prints
// `name: value` lines.

#include "base/GuiQueue.h"
#include "serial/CPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t kBytes = 1024 * 1024;

struct Folder {
    std::string path;
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavrin-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

int main() {
    using namespace tavrin;
    Folder folder;
    if (folder.path.empty())
        return 1;
    // A private <config> whose COM1 is the pseudo-terminal.
    setenv("XDG_CONFIG_HOME", folder.path.c_str(), 1);
    const std::string dosdevices = folder.path + "/tavrin/dosdevices";
    std::filesystem::create_directories(dosdevices);
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return 1;
    std::filesystem::create_symlink(ttyname(slave), dosdevices + "/com1");

    gui_queue::SetGuiThread();
    TComPort port;
    port.SetPort("COM1");
    port.SetBaudRate(br115200);
    std::size_t received = 0;
    std::size_t notifications = 0;
    std::string chunk;
    port.OnRxChar = [&](TObject*, std::int32_t count) {
        ++notifications;
        received += static_cast<std::size_t>(port.ReadText(chunk, count));
    };
    port.OpenPort();

    const std::string data(kBytes, 'x');
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = write(master, data.data() + done, data.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    });
    const auto deadline = start + std::chrono::seconds(60);
    while (received < kBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            break;
        pollfd fd{gui_queue::WakeDescriptor(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) == 1)
            gui_queue::RunPending();
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    writer.join();
    port.ClosePort();
    close(slave);
    close(master);

    std::printf("bench: pty receive through TComPort (OnRxChar + ReadText)\n");
    std::printf("bytes: %zu\n", received);
    std::printf("seconds: %.4f\n", seconds);
    std::printf("mib_per_second: %.2f\n", static_cast<double>(received) / (1024 * 1024) / seconds);
    std::printf("rx_notifications: %zu\n", notifications);
    std::printf("bytes_per_notification: %.1f\n",
                notifications ? static_cast<double>(received) / static_cast<double>(notifications)
                              : 0.0);
    return received == kBytes ? 0 : 1;
}
