#pragma once

#include <QString>

#include <string>

namespace tavrin {

// What the command line asks of a run.
struct StartOptions {
    std::string port; // device name for the port instead of the designed one (not opened)
    QString log{};    // a file to record the session into from the start, or empty
};

// The program: sets up the application object, creates the four windows and runs the
// message loop until the main window has closed. A QApplication must exist. Returns the
// message loop's exit code.
int Tavrin_Pj(const StartOptions& options = {});

} // namespace tavrin
