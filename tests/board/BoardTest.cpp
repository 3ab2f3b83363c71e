// The board's firmware alone: commands in, answers out, with the time given by the test.

#include "board/Board.h"

#include <gtest/gtest.h>

namespace tavrin::board {
namespace {

using namespace std::chrono_literals;

class BoardTest : public ::testing::Test {
protected:
    // Each character 10 ms after the previous, as the program paces them.
    Reply Type(const std::string& text) {
        Reply all;
        for (char c : text) {
            now_ += 10ms;
            Reply one = board_.Receive({static_cast<std::uint8_t>(c), false, false}, now_);
            all.text += one.text;
            if (one.thenUart)
                all.thenUart = one.thenUart;
            if (one.thenAway)
                all.thenAway = one.thenAway;
        }
        return all;
    }
    std::string Say(const std::string& command) { return Type(command + '\0').text; }

    Clock::time_point start_ = Clock::now();
    Clock::time_point now_ = start_;
    Board board_{start_, 7};
};

TEST_F(BoardTest, AnswersItsCommandsInAnyCaseAfterAnyTerminator) {
    const struct {
        const char* typed;
        const char* answer;
    } cases[] = {
        {"LED1", "LED1 ligado\r\n"},
        {"led1\r", "LED1 desligado\r\n"}, // alone it toggles
        {"Led2 on\n", "LED2 ligado\r\n"},
        {"LED2 ON\0", "LED2 ligado\r\n"},
        {"LED2 OFF\0", "LED2 desligado\r\n"},
        {"LED3\0", "comando desconhecido, digite AJUDA\r\n"},
        {"LED1 TALVEZ\0", "comando desconhecido, digite AJUDA\r\n"},
        {"XYZ\0", "comando desconhecido, digite AJUDA\r\n"},
        {"\r\n\0", ""}, // the CR LF of "Nova Linha" and empty commands: nothing
        {"  \0", ""},
        {"CLS\0", "\f"},
        {"ECO LIGADO\0", "comando desconhecido, digite AJUDA\r\n"},
        {"FLUXO 0\0", "uso: FLUXO n, com n de 1 a 20 leituras por segundo\r\n"},
        {"FLUXO 21\0", "uso: FLUXO n, com n de 1 a 20 leituras por segundo\r\n"},
        {"DESCONECTAR\0", "uso: DESCONECTAR n, com n de 1 a 60 segundos\r\n"},
        {"RUIDO -1\0", "uso: RUIDO n, com n de 0 a 1000 (chance em 1000 por caractere)\r\n"},
        {"UART 9601 8N1\0",
         "uso: UART <baud> <bits><paridade><parada>, por exemplo UART 19200 8E1\r\n"},
        {"FIM\0", "nenhum fluxo em andamento\r\n"},
    };
    for (const auto& c : cases) {
        // The literal's own NUL is the terminator where no other is written.
        std::string typed(c.typed);
        if (typed.empty() || (typed.back() != '\r' && typed.back() != '\n'))
            typed.push_back('\0');
        EXPECT_EQ(Type(typed).text, c.answer) << c.typed;
    }
}

TEST_F(BoardTest, HelpListsEveryCommand) {
    const std::string help = Say("ajuda");
    EXPECT_EQ(Say("HELP"), help);
    for (const char* command : {"AJUDA", "HELP", "LED1", "LED2", "STATUS", "ECO", "LER", "FLUXO",
                                "FIM", "LENTO", "UART", "DESCONECTAR", "RUIDO", "CLS"})
        EXPECT_NE(help.find(command), std::string::npos) << command;
    EXPECT_EQ(help.substr(help.size() - 2), "\r\n");
}

TEST_F(BoardTest, EchoReturnsEveryCharacterAsItArrives) {
    EXPECT_EQ(Say("ECO ON"), "eco ligado\r\n");
    EXPECT_EQ(Type("L").text, "L");
    EXPECT_EQ(Type("ED1").text, "ED1");
    EXPECT_EQ(Type(std::string(1, '\0')).text, std::string(1, '\0') + "LED1 ligado\r\n");
    EXPECT_EQ(Say("ECO OFF"), std::string("ECO OFF") + '\0' + "eco desligado\r\n");
    EXPECT_EQ(Type("L").text, "");
}

TEST_F(BoardTest, StatusCountsWhatCameLostAndWithErrors) {
    Say("LED2 ON");                                    // 7 + NUL
    board_.Receive({0x86, false, true}, now_ += 10ms); // framing error
    board_.Receive({0x41, true, false}, now_ += 10ms); // parity error
    board_.Lost();                                     // the slow receiver's
    now_ = start_ + 65s;                               // forget the half command
    const std::string status = Say("STATUS");
    EXPECT_EQ(status, "LED1 desligado, LED2 ligado\r\nUART 9600 8N1\r\nligada h\xe1 65 s\r\n"
                      "recebidos 17, perdidos 1, com erro 2\r\n");
}

TEST_F(BoardTest, AHalfCommandIsForgottenAfterASilence) {
    Type("XX"); // garbage of a wrong baud rate, without a terminator
    now_ += Board::kCommandTimeout + 1ms;
    EXPECT_EQ(Say("LED1"), "LED1 ligado\r\n");
    Type("LE");
    EXPECT_EQ(Say("D1"), "LED1 desligado\r\n"); // within the time it is one command
}

TEST_F(BoardTest, AnOverlongCommandIsUnknownAndTheNextIsClean) {
    EXPECT_EQ(Say(std::string(10000, 'A')), "comando desconhecido, digite AJUDA\r\n");
    EXPECT_EQ(Say("LED1"), "LED1 ligado\r\n");
}

TEST_F(BoardTest, SettingsCommandsTakeEffectAsAnswered) {
    Reply uart = Type(std::string("uart 19200 8e1") + '\0');
    EXPECT_EQ(uart.text, "UART da placa agora 19200 8E1\r\n");
    ASSERT_TRUE(uart.thenUart);
    EXPECT_EQ(SettingsText(*uart.thenUart), "19200 8E1");
    EXPECT_EQ(SettingsText(board_.Uart()), "9600 8N1"); // the host applies it after the answer
    Reply away = Type(std::string("DESCONECTAR 2") + '\0');
    EXPECT_EQ(away.text, "desconectando por 2 s\r\n");
    EXPECT_EQ(away.thenAway, 2s);
    EXPECT_EQ(Say("LENTO ON"), "receptor lento ligado: no m\xe1ximo 1 caractere a cada 5 ms\r\n");
    EXPECT_TRUE(board_.Slow());
    EXPECT_EQ(Say("RUIDO 5"), "ru\xed"
                              "do: 5 em 1000 caracteres\r\n");
    EXPECT_EQ(board_.NoisePerMille(), 5);
    EXPECT_EQ(Say("RUIDO 0"), "ru\xed"
                              "do desligado\r\n");
    EXPECT_EQ(board_.NoisePerMille(), 0);
}

TEST_F(BoardTest, ReadingsDriftAndAStreamRunsUntilFim) {
    const std::string first = Say("LER");
    ASSERT_EQ(first.rfind("temperatura ", 0), 0u) << first;
    const double t = std::stod(first.substr(12));
    EXPECT_GE(t, 18.0);
    EXPECT_LE(t, 32.0);
    EXPECT_FALSE(board_.NextTick());
    EXPECT_EQ(Say("FLUXO 4"), "fluxo de 4 leituras por segundo, FIM encerra\r\n");
    int readings = 0;
    const Clock::time_point streamStart = now_;
    for (auto at = streamStart; at < streamStart + 1s; at += 10ms)
        if (board_.NextTick() && *board_.NextTick() <= at)
            readings += board_.Tick(at).text.rfind("temperatura ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(readings, 4);
    now_ = streamStart + 1s;
    EXPECT_EQ(Say("FIM"), "fluxo encerrado\r\n");
    EXPECT_FALSE(board_.NextTick());
}

} // namespace
} // namespace tavrin::board
