// The board on its thread: the timing of its line, the slow receiver, the settings that
// change after the answer, and going away.

#include "board/BoardHost.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace tavrin::board {
namespace {

using namespace std::chrono_literals;

// The other end of the line, as a receiver at the board's own settings.
class RecordingLine : public BoardLine {
public:
    struct Sent {
        std::uint8_t byte;
        UartSettings uart;
        Clock::time_point at;
    };

    void Send(std::uint8_t byte, const UartSettings& uart, int) override {
        std::lock_guard guard(lock_);
        sent_.push_back({byte, uart, Clock::now()});
        text_.push_back(static_cast<char>(byte));
        changed_.notify_all();
    }
    void SetPresent(bool present) override {
        std::lock_guard guard(lock_);
        presence_.push_back({present, Clock::now()});
        changed_.notify_all();
    }
    bool WaitText(const std::string& part, std::chrono::seconds limit = 10s) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, limit,
                                 [&] { return text_.find(part) != std::string::npos; });
    }
    bool WaitPresence(std::size_t changes, std::chrono::seconds limit = 10s) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, limit, [&] { return presence_.size() >= changes; });
    }
    std::string Text() {
        std::lock_guard guard(lock_);
        return text_;
    }
    std::vector<Sent> SentBytes() {
        std::lock_guard guard(lock_);
        return sent_;
    }
    std::vector<std::pair<bool, Clock::time_point>> Presence() {
        std::lock_guard guard(lock_);
        return presence_;
    }
    void Clear() {
        std::lock_guard guard(lock_);
        text_.clear();
        sent_.clear();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::string text_;
    std::vector<Sent> sent_;
    std::vector<std::pair<bool, Clock::time_point>> presence_;
};

class BoardHostTest : public ::testing::Test {
protected:
    // The command's characters `gap` apart, then a NUL, all put on the line by now.
    void Send(const std::string& command, std::chrono::microseconds gap,
              const UartSettings& uart = UartSettings{}, std::chrono::milliseconds lead = 0ms) {
        Clock::time_point at = Clock::now() + lead;
        for (char c : command + '\0') {
            host_.Arrive(static_cast<std::uint8_t>(c), uart, at);
            at += gap;
        }
    }

    RecordingLine line_;
    BoardHost host_{line_, 11};
};

TEST_F(BoardHostTest, AnswersOneCharacterTimeApartAtItsOwnSettings) {
    ASSERT_TRUE(line_.WaitPresence(1));
    EXPECT_TRUE(line_.Presence()[0].first);
    Send("LED1", 10ms);
    ASSERT_TRUE(line_.WaitText("LED1 ligado\r\n")) << line_.Text();
    const auto sent = line_.SentBytes();
    const auto charTime = CharacterTime(UartSettings{});
    for (std::size_t i = 1; i < sent.size(); ++i)
        EXPECT_GE(sent[i].at - sent[i - 1].at, charTime) << i;
}

TEST_F(BoardHostTest, TheSlowReceiverLosesABurstButNotPacedCharacters) {
    Send("LENTO ON", 10ms);
    ASSERT_TRUE(line_.WaitText("5 ms\r\n"));
    line_.Clear();
    // A burst: 32 characters back to back at 9600, 1.04 ms each; one in five is taken.
    const std::string command = "LED1 ON" + std::string(25, ' ');
    Send(command, 0us);
    // Its NUL was lost too: a NUL of its own ends it, then STATUS, both in good time.
    Send("", 0us, UartSettings{}, 60ms);
    Send("STATUS", 10ms, UartSettings{}, 80ms);
    ASSERT_TRUE(line_.WaitText("com erro")) << line_.Text();
    const std::string status = line_.Text();
    EXPECT_EQ(status.find("LED1 ligado"), std::string::npos) << status;
    EXPECT_NE(status.find("perdidos 26,"), std::string::npos) << status;
    line_.Clear();
    // The same characters 10 ms apart, as the program paces them: all arrive.
    Send(command, 10ms);
    ASSERT_TRUE(line_.WaitText("LED1 ligado\r\n")) << line_.Text();
}

TEST_F(BoardHostTest, NewUartSettingsTakeEffectOnceTheAnswerHasLeft) {
    Send("UART 19200 7E1", 10ms);
    ASSERT_TRUE(line_.WaitText("19200 7E1\r\n"));
    for (const auto& sent : line_.SentBytes())
        EXPECT_EQ(SettingsText(sent.uart), "9600 8N1");
    for (int i = 0; i < 100 && SettingsText(host_.Uart()) != "19200 7E1"; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(SettingsText(host_.Uart()), "19200 7E1");
    line_.Clear();
    // A 9600 8N1 sender now gives the board garbage; one at its new settings gets through.
    Send("LED1", 10ms);
    Send("LED1", 10ms, *ParseSettings("19200", "7E1"));
    ASSERT_TRUE(line_.WaitText("LED1 ligado\r\n")) << line_.Text();
    for (const auto& sent : line_.SentBytes())
        EXPECT_EQ(SettingsText(sent.uart), "19200 7E1");
}

TEST_F(BoardHostTest, GoesAwayForTheTimeAskedAndHearsNothingMeanwhile) {
    ASSERT_TRUE(line_.WaitPresence(1));
    Send("DESCONECTAR 1", 10ms);
    ASSERT_TRUE(line_.WaitPresence(2));
    EXPECT_EQ(line_.Text(), "desconectando por 1 s\r\n");
    EXPECT_FALSE(line_.Presence()[1].first);
    Send("LED1", 10ms); // nobody hears it
    ASSERT_TRUE(line_.WaitPresence(3));
    const auto presence = line_.Presence();
    EXPECT_TRUE(presence[2].first);
    EXPECT_GE(presence[2].second - presence[1].second, 1s);
    line_.Clear();
    Send("LED1", 10ms);
    ASSERT_TRUE(line_.WaitText("LED1 ligado\r\n")) << line_.Text();
}

} // namespace
} // namespace tavrin::board
