#include "app/CommandLine.h"

#include "app/qt/Ansi.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace tavrin {

namespace {

// Written here rather than taken from QCommandLineParser, whose headings and descriptions of
// the standard options are English.
const char* const HelpText =
    "Uso: tavrin [--port NOME] [--log ARQUIVO]\n"
    "Terminal serial para o ensino de comunicação serial com microcontroladores.\n"
    "\n"
    "Opções:\n"
    "  --port NOME    começa com a porta NOME (COM1, ttyUSB0, /dev/ttyACM0...);\n"
    "                 a porta não é aberta até que o usuário a abra\n"
    "  --log ARQUIVO  grava a sessão (tudo o que passa pela linha) em ARQUIVO desde\n"
    "                 o início, como \"Gravar Sessão...\" do menu Ferramentas\n"
    "  -h, --help     mostra esta ajuda e sai\n"
    "  -v, --version  mostra a versão e sai\n";

// What was wrong with the command line, in Portuguese: the parser's own text is English.
QString ParseFault(const QCommandLineParser& parser, const QStringList& arguments) {
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().front();
        return QStringLiteral("Opção desconhecida: %1%2")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    if (!arguments.isEmpty() && (arguments.back() == QStringLiteral("--port")))
        return QStringLiteral("Falta o nome da porta depois de --port.");
    if (!arguments.isEmpty() && (arguments.back() == QStringLiteral("--log")))
        return QStringLiteral("Falta o nome do arquivo depois de --log.");
    return QStringLiteral("Linha de comando inválida: %1")
        .arg(arguments.mid(1).join(QLatin1Char(' ')));
}

} // namespace

QString CommandLineHelp() {
    return QString::fromUtf8(HelpText);
}

std::optional<StartOptions> ReadCommandLine(const QStringList& arguments, int& exitCode) {
    QCoreApplication::setApplicationName(QStringLiteral("tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    QCommandLineParser parser;
    // --help-all stays from the days of the parser's own help: it shows the same.
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help"),
                                                    QStringLiteral("?"),
                                                    QStringLiteral("help-all")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("nome"));
    const QCommandLineOption logOption(QStringLiteral("log"), QString(), QStringLiteral("arquivo"));
    parser.addOptions({helpOption, versionOption, portOption, logOption});

    exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(ParseFault(parser, arguments)));
        std::fputs(HelpText, stderr);
        exitCode = 1;
        return std::nullopt;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(HelpText, stdout);
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
    if (parser.isSet(logOption)) {
        options.log = parser.value(logOption);
        if (options.log.isEmpty()) {
            std::fprintf(stderr, "Falta o nome do arquivo depois de --log.\n");
            exitCode = 1;
            return std::nullopt;
        }
    }
    return options;
}

} // namespace tavrin
