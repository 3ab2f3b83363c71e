#pragma once

// The program's command line: --help, --version, --port NAME and --log FILE.

#include "app/Tavrin_Pj.h"

#include <QStringList>

#include <optional>

namespace tavrin {

// The options of a run. --help and --version print to standard output, a wrong command line
// prints the fault to standard error; then there is no run (nullopt) and `exitCode` says how
// the program ends. A QCoreApplication must exist.
std::optional<StartOptions> ReadCommandLine(const QStringList& arguments, int& exitCode);

// What --help prints.
QString CommandLineHelp();

} // namespace tavrin
