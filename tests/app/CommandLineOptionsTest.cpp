// The program's command line: --port starts with another device name and leaves the port
// closed; --help, --version and faults end the program before any window.

#include "AppFixture.h"

#include "app/CommandLine.h"
#include "app/Tavrin_Pj.h"

#include <QTimer>

#include <optional>
#include <string>

#include <cstdio>
#include <unistd.h>

namespace tavrin::testing {
namespace {

TEST(CommandLineOptionsTest, OptionsAreReadOrTheRunEndsWithTheRightCode) {
    const struct {
        const char* name;
        QStringList arguments;
        std::optional<std::string> port; // nullopt: no run
        int exitCode;
    } rows[] = {
        {"nothing", {}, "", 0},
        {"a device name", {"--port", "ttyUSB0"}, "ttyUSB0", 0},
        {"a name joined by =", {"--port=/dev/ttyACM1"}, "/dev/ttyACM1", 0},
        {"help", {"--help"}, std::nullopt, 0},
        {"version", {"--version"}, std::nullopt, 0},
        {"--port without a name", {"--port"}, std::nullopt, 1},
        {"an empty name", {"--port", ""}, std::nullopt, 1},
        {"an unknown option", {"--baud", "9600"}, std::nullopt, 1},
        {"a stray argument", {"COM3"}, std::nullopt, 1},
        {"a name Windows-1252 cannot hold", {"--port", "ttyЖ"}, std::nullopt, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int exitCode = -1;
        const auto options =
            ReadCommandLine(QStringList{QStringLiteral("tavrin")} + row.arguments, exitCode);
        EXPECT_EQ(options.has_value(), row.port.has_value());
        if (options && row.port) {
            EXPECT_EQ(options->port, *row.port);
        }
        EXPECT_EQ(exitCode, row.exitCode);
    }
}

TEST(CommandLineOptionsTest, LogOptionNamesTheTranscriptFile) {
    const struct {
        const char* name;
        QStringList arguments;
        std::optional<QString> log; // nullopt: no run
    } rows[] = {
        {"no log", {}, QString()},
        {"a file", {"--log", "aula.tsv"}, QStringLiteral("aula.tsv")},
        {"joined by =", {"--log=/tmp/sessão.tsv"}, QStringLiteral("/tmp/sessão.tsv")},
        {"with a port", {"--port", "COM2", "--log", "a.tsv"}, QStringLiteral("a.tsv")},
        {"--log without a file", {"--log"}, std::nullopt},
        {"an empty name", {"--log", ""}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int exitCode = -1;
        const auto options =
            ReadCommandLine(QStringList{QStringLiteral("tavrin")} + row.arguments, exitCode);
        ASSERT_EQ(options.has_value(), row.log.has_value());
        EXPECT_EQ(exitCode, row.log ? 0 : 1);
        if (options) {
            EXPECT_EQ(options->log, *row.log);
        }
    }
}

// What ReadCommandLine writes to standard output and standard error.
struct Printed {
    std::string out, err;
};

Printed ReadPrinting(const QStringList& arguments) {
    const auto capture = [](int fd, int pipeEnd[2]) {
        EXPECT_EQ(::pipe(pipeEnd), 0);
        const int saved = ::dup(fd);
        ::dup2(pipeEnd[1], fd);
        ::close(pipeEnd[1]);
        return saved;
    };
    const auto release = [](int fd, int saved, int readEnd) {
        ::dup2(saved, fd);
        ::close(saved);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(readEnd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        ::close(readEnd);
        return text;
    };
    std::fflush(stdout);
    std::fflush(stderr);
    int outPipe[2], errPipe[2];
    const int savedOut = capture(STDOUT_FILENO, outPipe);
    const int savedErr = capture(STDERR_FILENO, errPipe);
    int exitCode = -1;
    ReadCommandLine(QStringList{QStringLiteral("tavrin")} + arguments, exitCode);
    std::fflush(stdout);
    std::fflush(stderr);
    Printed printed;
    printed.out = release(STDOUT_FILENO, savedOut, outPipe[0]);
    printed.err = release(STDERR_FILENO, savedErr, errPipe[0]);
    return printed;
}

// The help is the program's own, in Portuguese, with none of Qt's English headings; a
// wrong command line is told in Portuguese, followed by the same help.
TEST(CommandLineOptionsTest, HelpAndFaultsSpeakPortuguese) {
    const std::string help = CommandLineHelp().toStdString();
    for (const char* english : {"Usage", "Options", "Displays", "help on", "version information"})
        EXPECT_EQ(help.find(english), std::string::npos) << english;
    for (const char* part :
         {"Uso: tavrin", "Opções:", "--port NOME", "--log ARQUIVO", "-h, --help", "-v, --version"})
        EXPECT_NE(help.find(part), std::string::npos) << part;

    for (const char* option : {"--help", "-h", "--help-all"}) {
        SCOPED_TRACE(option);
        const Printed printed = ReadPrinting({QString::fromLatin1(option)});
        EXPECT_EQ(printed.out, help);
        EXPECT_EQ(printed.err, "");
    }

    const struct {
        const char* name;
        QStringList arguments;
        std::string firstLine;
    } faults[] = {
        {"unknown long option", {"--baud", "9600"}, "Opção desconhecida: --baud"},
        {"unknown short option", {"-x"}, "Opção desconhecida: -x"},
        {"--port without a name", {"--port"}, "Falta o nome da porta depois de --port."},
        {"--log without a file", {"--log"}, "Falta o nome do arquivo depois de --log."},
        {"a value where none belongs", {"--help=3"}, "Linha de comando inválida: --help=3"},
    };
    for (const auto& row : faults) {
        SCOPED_TRACE(row.name);
        const Printed printed = ReadPrinting(row.arguments);
        EXPECT_EQ(printed.out, "");
        EXPECT_EQ(printed.err, row.firstLine + "\n" + help);
    }
}

TEST(CommandLineOptionsTest, ProgramStartsWithTheGivenDeviceNameAndThePortClosed) {
    ParkMouse();
    ResetModuleState();
    std::string port;
    bool connected = true;
    bool openOffered = false;
    QTimer::singleShot(0, [&] {
        port = Quelt->ComPort->Port();
        connected = Quelt->ComPort->Connected();
        openOffered = Quelt->AbrirPorta1->isEnabled() && !Quelt->FecharPorta1->isEnabled();
        QtApplication::Instance().SetMessageFunction(
            [](const MessageRequest&) { return QMessageBox::Yes; });
        Quelt->close();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(20000);

    EXPECT_EQ(Tavrin_Pj(StartOptions{"ttyUSB7"}), 0);

    EXPECT_EQ(port, "ttyUSB7");
    EXPECT_FALSE(connected);
    EXPECT_TRUE(openOffered);
}

} // namespace
} // namespace tavrin::testing
