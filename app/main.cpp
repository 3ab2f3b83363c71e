// The executable's entry: the command line, the toolkit's application, then the program.

#include "app/CommandLine.h"
#include "app/Tavrin_Pj.h"

#include <QApplication>

#include <optional>

int main(int argc, char** argv) {
    // The command line is read before any window system is needed, so --help and
    // --version work on a text console too.
    std::optional<tavrin::StartOptions> options;
    int exitCode = 0;
    {
        int coreArgc = argc;
        QCoreApplication core(coreArgc, argv);
        options = tavrin::ReadCommandLine(QCoreApplication::arguments(), exitCode);
    }
    if (!options)
        return exitCode;
    // The program's own options are read; none reach Qt, whose platform can still be chosen
    // through its environment variables.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication qtApplication(qtArgc, argv);
    // Ties the windows to the installed menu entry (task bars, Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.ketno.Tavrin"));
    return tavrin::Tavrin_Pj(*options);
}
