#include "board/Board.h"

#include "board/Commands.h"

#include <cstdio>

namespace tavrin::board {

namespace {

const char kHelp[] = "Comandos da placa (terminados por NUL, CR ou LF):\r\n"
                     "  AJUDA ou HELP       esta lista\r\n"
                     "  LED1 [ON|OFF]       liga, desliga ou inverte o LED 1\r\n"
                     "  LED2 [ON|OFF]       o mesmo para o LED 2\r\n"
                     "  STATUS              LEDs, UART, tempo ligada, contagens\r\n"
                     "  ECO ON|OFF          devolve cada caractere recebido\r\n"
                     "  LER                 uma leitura do sensor de temperatura\r\n"
                     "  FLUXO n             n leituras por segundo, at\xe9 FIM\r\n"
                     "  LENTO ON|OFF        receptor lento: 1 caractere a cada 5 ms\r\n"
                     "  UART 19200 8E1      muda a UART da placa (depois da resposta)\r\n"
                     "  DESCONECTAR n       a placa some por n segundos\r\n"
                     "  RUIDO n             n em 1000 caracteres com um bit trocado\r\n"
                     "  CLS                 limpa o painel\r\n";

const char kUnknown[] = "comando desconhecido, digite AJUDA\r\n";

std::string OnOff(bool on) {
    return on ? "ligado" : "desligado";
}

} // namespace

Board::Board(Clock::time_point powerOn, std::uint32_t seed)
    : powerOn_(powerOn), random_(seed), lastChar_(powerOn), temperatureAt_(powerOn) {}

Reply Board::Receive(const Arrival& arrival, Clock::time_point now) {
    Reply reply;
    ++received_;
    if (arrival.parityError || arrival.framingError)
        ++errors_;
    if (echo_)
        reply.text.push_back(static_cast<char>(arrival.byte));
    if (!command_.empty() && now - lastChar_ > kCommandTimeout)
        command_.clear();
    lastChar_ = now;
    const char c = static_cast<char>(arrival.byte);
    if (c == '\0' || c == '\r' || c == '\n') {
        std::string command;
        command.swap(command_);
        // CR LF before a command, or CR LF NUL after one, are empty commands.
        if (!Trim(command).empty())
            reply.text += Execute(command, now, reply);
    } else if (command_.size() < kMaxCommand) {
        command_.push_back(c);
    }
    return reply;
}

std::string Board::Execute(const std::string& command, Clock::time_point now, Reply& reply) {
    const Words words = SplitWords(command);
    const std::string& name = words.front();
    const std::string argument = words.size() > 1 ? words[1] : std::string();
    const bool oneArgument = words.size() == 2;
    if ((name == "AJUDA" || name == "HELP") && words.size() == 1)
        return kHelp;
    if ((name == "LED1" || name == "LED2") && words.size() <= 2)
        return Led(name == "LED1" ? 0 : 1, argument);
    if (name == "STATUS" && words.size() == 1)
        return Status(now);
    if (name == "CLS" && words.size() == 1)
        return "\f";
    if (name == "LER" && words.size() == 1)
        return Reading(now);
    if (name == "ECO" && oneArgument && IsOnOff(argument)) {
        echo_ = argument == "ON";
        return "eco " + OnOff(echo_) + "\r\n";
    }
    if (name == "LENTO" && oneArgument && IsOnOff(argument)) {
        slow_ = argument == "ON";
        return slow_ ? "receptor lento ligado: no m\xe1ximo 1 caractere a cada 5 ms\r\n"
                     : "receptor lento desligado\r\n";
    }
    if (name == "FLUXO") {
        const auto rate = oneArgument ? NumberIn(argument, 1, 20) : std::nullopt;
        if (!rate)
            return "uso: FLUXO n, com n de 1 a 20 leituras por segundo\r\n";
        streamRate_ = *rate;
        nextReading_ = now;
        return "fluxo de " + std::to_string(*rate) + " leituras por segundo, FIM encerra\r\n";
    }
    if (name == "FIM" && words.size() == 1) {
        const bool running = streamRate_ != 0;
        streamRate_ = 0;
        return running ? "fluxo encerrado\r\n" : "nenhum fluxo em andamento\r\n";
    }
    if (name == "RUIDO") {
        const auto chance = oneArgument ? NumberIn(argument, 0, 1000) : std::nullopt;
        if (!chance)
            return "uso: RUIDO n, com n de 0 a 1000 (chance em 1000 por caractere)\r\n";
        noise_ = *chance;
        return noise_ == 0 ? "ru\xed"
                             "do desligado\r\n"
                           : "ru\xed"
                             "do: " +
                                 std::to_string(noise_) + " em 1000 caracteres\r\n";
    }
    if (name == "DESCONECTAR") {
        const auto seconds = oneArgument ? NumberIn(argument, 1, 60) : std::nullopt;
        if (!seconds)
            return "uso: DESCONECTAR n, com n de 1 a 60 segundos\r\n";
        reply.thenAway = std::chrono::seconds(*seconds);
        return "desconectando por " + std::to_string(*seconds) + " s\r\n";
    }
    if (name == "UART") {
        const auto uart = words.size() == 3 ? ParseSettings(words[1], words[2]) : std::nullopt;
        if (!uart)
            return "uso: UART <baud> <bits><paridade><parada>, por exemplo UART 19200 8E1\r\n";
        reply.thenUart = *uart;
        return "UART da placa agora " + SettingsText(*uart) + "\r\n";
    }
    return kUnknown;
}

std::string Board::Led(int index, const std::string& argument) {
    if (argument.empty())
        leds_[index] = !leds_[index];
    else if (IsOnOff(argument))
        leds_[index] = argument == "ON";
    else
        return kUnknown;
    return "LED" + std::to_string(index + 1) + ' ' + OnOff(leds_[index]) + "\r\n";
}

std::string Board::Status(Clock::time_point now) const {
    const auto up = std::chrono::duration_cast<std::chrono::seconds>(now - powerOn_).count();
    return "LED1 " + OnOff(leds_[0]) + ", LED2 " + OnOff(leds_[1]) + "\r\n" + "UART " +
           SettingsText(uart_) + "\r\n" + "ligada h\xe1 " + std::to_string(up) + " s\r\n" +
           "recebidos " + std::to_string(received_) + ", perdidos " + std::to_string(lost_) +
           ", com erro " + std::to_string(errors_) + "\r\n";
}

std::string Board::Reading(Clock::time_point now) {
    // A slow random walk, a tenth of a degree at most per 100 ms, kept in a room's range.
    std::uniform_real_distribution<double> step(-0.1, 0.1);
    while (now - temperatureAt_ >= std::chrono::milliseconds(100)) {
        temperatureAt_ += std::chrono::milliseconds(100);
        temperature_ += step(random_);
        if (temperature_ < 18.0)
            temperature_ = 18.0;
        if (temperature_ > 32.0)
            temperature_ = 32.0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "temperatura %.1f C\r\n", temperature_);
    return text;
}

Reply Board::Tick(Clock::time_point now) {
    Reply reply;
    if (streamRate_ == 0)
        return reply;
    const auto period = std::chrono::nanoseconds(1'000'000'000LL / streamRate_);
    // A board that was held up does not send a backlog of readings.
    if (now - nextReading_ > period)
        nextReading_ = now;
    if (now >= nextReading_) {
        reply.text = Reading(now);
        nextReading_ += period;
    }
    return reply;
}

std::optional<Clock::time_point> Board::NextTick() const {
    if (streamRate_ == 0)
        return std::nullopt;
    return nextReading_;
}

} // namespace tavrin::board
