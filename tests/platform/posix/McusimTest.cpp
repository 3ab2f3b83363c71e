// The simulated microcontroller of tools/mcusim, driven through the engine as the main
// window drives a board: a command's characters and a NUL out, the answer lines back, and
// an unplug that the port lives through.

#include "PosixFixture.h"
#include "support/PipedChild.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tavrin::testing {
namespace {

class Simulator {
public:
    Simulator(const std::string& config, const std::string& port) {
        const std::string script = TAVRIN_SOURCE_DIR "/tools/mcusim/mcusim.py";
        std::vector<std::string> args = {"/usr/bin/python3", script, "--config",         config,
                                         "--port",           port,   "--unplug-seconds", "0.3"};
        std::vector<char*> argv = ArgvOf(args);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

class McusimTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui_queue::SetGuiThread();
        config_ = std::make_unique<TempConfig>(temp_.Path() + "/config");
        sim_ = std::make_unique<Simulator>(temp_.Path() + "/config/tavrin", "COM3");
        ASSERT_TRUE(sim_->Running());
        ASSERT_TRUE(WaitForPath(config_->DosDevices() + "/com3", true));
        port_.SetPort("COM3");
        port_.OnRxChar = [this](TObject*, std::int32_t count) {
            std::string chunk;
            port_.ReadText(chunk, count);
            received_ += chunk;
        };
        port_.OnDSRChange = [this](TObject*, bool on) { dsr_.push_back(on); };
    }

    // The command as the main window puts it on the line: its characters, then a NUL.
    void Command(const std::string& text) {
        for (char c : text)
            port_.SendChar(c);
        port_.SendChar('\0');
    }
    bool WaitFor(const std::string& text) {
        return PumpUntil([&] { return received_.find(text) != std::string::npos; });
    }
    bool WaitDsr(bool on) {
        return PumpUntil([&] { return !dsr_.empty() && dsr_.back() == on; });
    }

    TempFolder temp_;
    std::unique_ptr<TempConfig> config_;
    std::unique_ptr<Simulator> sim_;
    // What the port's handlers fill goes before the port: closing it on destruction still
    // reports the lines.
    std::string received_;
    std::vector<bool> dsr_;
    TComPort port_;
};

TEST_F(McusimTest, EchoesCommandsAndAnswersThem) {
    port_.OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    Command("AB");
    ASSERT_TRUE(WaitFor("> AB\r\n")) << received_;
    Command("LED1");
    ASSERT_TRUE(WaitFor("> LED1\r\nLED1 ON\r\n")) << received_;
    received_.clear();
    Command("CLS");
    ASSERT_TRUE(WaitFor("screen cleared")) << received_;
    EXPECT_EQ(received_.front(), '\f');
}

TEST_F(McusimTest, AnUnplugDropsDsrAndThePortFollowsTheBoardBack) {
    port_.OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    Command("UNPLUG");
    ASSERT_TRUE(WaitDsr(false));
    ASSERT_TRUE(WaitDsr(true));
    received_.clear();
    Command("STATUS");
    ASSERT_TRUE(WaitFor("LED1 OFF, LED2 OFF, up ")) << received_;
    port_.ClosePort();
}

} // namespace
} // namespace tavrin::testing
