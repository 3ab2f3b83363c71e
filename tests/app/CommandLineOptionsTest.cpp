// The program's command line: --port starts with another device name and leaves the port
// closed; --help, --version and faults end the program before any window.

#include "AppFixture.h"

#include "app/CommandLine.h"
#include "app/Tavrin_Pj.h"

#include <QTimer>

#include <optional>

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

// Help and errors in the program's language, none of Qt's English.
TEST(CommandLineOptionsTest, HelpAndErrorsArePortuguese) {
    int exitCode = -1;
    ::testing::internal::CaptureStdout();
    ReadCommandLine({QStringLiteral("tavrin"), QStringLiteral("--help")}, exitCode);
    const std::string help = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(help.rfind("Uso: tavrin [opções]\n", 0), 0u) << help;
    for (const char* part : {"Opções:", "--port <nome>", "--version", "--help"})
        EXPECT_NE(help.find(part), std::string::npos) << part;

    const struct {
        QStringList arguments;
        const char* message;
    } errors[] = {
        {{"--baud"}, "Opção desconhecida: baud\n"},
        {{"--port"}, "Falta o nome da porta depois de --port.\n"},
    };
    for (const auto& error : errors) {
        ::testing::internal::CaptureStderr();
        ReadCommandLine(QStringList{QStringLiteral("tavrin")} + error.arguments, exitCode);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind(error.message, 0), 0u) << said;
        EXPECT_EQ(exitCode, 1);
    }
    for (const std::string& text : {help})
        for (const char* english : {"Usage", "Options", "Displays", "Unknown", "Missing"})
            EXPECT_EQ(text.find(english), std::string::npos) << english;
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
