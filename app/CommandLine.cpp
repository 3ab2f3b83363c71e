#include "app/CommandLine.h"

#include "app/qt/Ansi.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace tavrin {

std::optional<StartOptions> ReadCommandLine(const QStringList& arguments, int& exitCode) {
    QCoreApplication::setApplicationName(QStringLiteral("tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Terminal serial para o ensino de comunicação serial com microcontroladores."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Começa com a porta <nome> (COM1, ttyUSB0, /dev/ttyACM0...); "
                       "a porta não é aberta."),
        QStringLiteral("nome"));
    parser.addOption(portOption);

    exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        exitCode = 1;
        return std::nullopt;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
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
