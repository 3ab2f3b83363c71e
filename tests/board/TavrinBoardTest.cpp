// tavrin-board on its pseudo-terminal: driven through the engine as the main window drives
// a board (a command's characters 10 ms apart and a NUL out, the answer lines back, a board
// that goes away and comes back), and by another program, a pyserial peer.

#include "base/GuiQueue.h"
#include "serial/CPort.h"
#include "support/GuiPump.h"
#include "support/PipedChild.h"
#include "support/SocatPair.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

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
        std::vector<std::string> args = {TAVRIN_BOARD_PROGRAM, "--config", config, "--com", port};
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

class TavrinBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui_queue::SetGuiThread();
        config_ = std::make_unique<TempConfig>(temp_.Path() + "/config");
        sim_ = std::make_unique<Simulator>(temp_.Path() + "/config/tavrin", "3");
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

    // The command as the main window puts it on the line: its characters 10 ms apart,
    // then a NUL.
    void Command(const std::string& text) {
        for (char c : text) {
            port_.SendChar(c);
            PumpUntil([] { return false; }, std::chrono::milliseconds(10));
        }
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

TEST_F(TavrinBoardTest, AnswersTheProgramAndAWrongBaudRateGivesGarbage) {
    port_.OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    Command("LED1");
    ASSERT_TRUE(WaitFor("LED1 ligado\r\n")) << received_;
    received_.clear();
    Command("CLS");
    ASSERT_TRUE(WaitFor("\f")) << received_;
    // The pseudo-terminal shares its speed: the board samples a 19200 line at its 9600.
    Command("ECO ON");
    ASSERT_TRUE(WaitFor("eco ligado\r\n"));
    port_.SetBaudRate(br19200);
    received_.clear();
    Command("LED2");
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(received_.empty());
    EXPECT_EQ(received_.find("LED2"), std::string::npos) << received_;
    port_.ClosePort();
}

TEST_F(TavrinBoardTest, GoingAwayDropsDsrAndThePortFollowsTheBoardBack) {
    port_.OpenPort();
    ASSERT_TRUE(WaitDsr(true));
    Command("DESCONECTAR 1");
    ASSERT_TRUE(WaitDsr(false));
    ASSERT_TRUE(WaitDsr(true));
    received_.clear();
    Command("STATUS");
    ASSERT_TRUE(WaitFor("LED1 desligado, LED2 desligado\r\nUART 9600 8N1\r\n")) << received_;
    port_.ClosePort();
}

// Another program on the board's pseudo-terminal: tests/board/board_peer.py writes what it
// is told (at once or paced) and reports what came back.
TEST_F(TavrinBoardTest, APyserialPeerGetsHelpAndItsBurstLosesCharactersToTheSlowBoard) {
    std::vector<std::string> args = {"/usr/bin/python3",
                                     TAVRIN_SOURCE_DIR "/tests/board/board_peer.py",
                                     config_->DosDevices() + "/com3"};
    std::vector<char*> argv = ArgvOf(args);
    const std::string out = temp_.Path() + "/peer.out";
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string report = ReadFile(out);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
    EXPECT_NE(report.find("help: Comandos da placa"), std::string::npos) << report;
    EXPECT_NE(report.find("burst: comando desconhecido"), std::string::npos) << report;
    // 33 characters 1.04 ms apart, one taken in five: 26 lost.
    EXPECT_NE(report.find("burst lost: 26"), std::string::npos) << report;
    EXPECT_NE(report.find("paced: LED1 ligado"), std::string::npos) << report;
    EXPECT_NE(report.find("paced lost: 26"), std::string::npos) << report;
}

} // namespace
} // namespace tavrin::testing
