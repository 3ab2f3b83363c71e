#include "app/CommandLine.h"

#include "app/qt/Ansi.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace tavrin {

namespace {

// Qt's parser writes its help and its errors in English; the program speaks Portuguese.
const char* const kHelp =
    "Uso: tavrin [opções]\n"
    "Terminal serial para o ensino de comunicação serial com microcontroladores.\n"
    "\n"
    "Opções:\n"
    "  -h, --help     Mostra esta ajuda e termina.\n"
    "  -v, --version  Mostra a versão do programa e termina.\n"
    "  --port <nome>  Começa com a porta <nome> (COM1, ttyUSB0, /dev/ttyACM0...);\n"
    "                 a porta não é aberta.\n";

void ReportError(const QString& message) {
    std::fprintf(stderr, "%s\n%s", qPrintable(message), kHelp);
}

} // namespace

std::optional<StartOptions> ReadCommandLine(const QStringList& arguments, int& exitCode) {
    QCoreApplication::setApplicationName(QStringLiteral("tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Mostra esta ajuda e termina."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Mostra a versão e termina."));
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Começa com a porta <nome> (COM1, ttyUSB0, /dev/ttyACM0...); "
                       "a porta não é aberta."),
        QStringLiteral("nome"));
    parser.addOption(portOption);

    exitCode = 0;
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        ReportError(unknown.isEmpty()
                        ? QStringLiteral("Falta o nome da porta depois de --port.")
                        : QStringLiteral("Opção desconhecida: %1").arg(unknown.front()));
        exitCode = 1;
        return std::nullopt;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(kHelp, stdout);
        return std::nullopt;
    }
    if (parser.isSet(versionOption)) {
        std::printf("tavrin %s\n", TAVRIN_VERSION);
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Argumento desconhecido: %s\n",
                     qPrintable(parser.positionalArguments().front()));
        exitCode = 1;
        return std::nullopt;
    }
    StartOptions options;
    if (parser.isSet(portOption)) {
        const QString port = parser.value(portOption);
        if (port.isEmpty() || !FitsAnsi(port)) {
            std::fprintf(stderr, "Nome de porta inválido: %s\n", qPrintable(port));
            exitCode = 1;
            return std::nullopt;
        }
        options.port = ToAnsi(port);
    }
    return options;
}

} // namespace tavrin
