#pragma once

namespace tavrin {

// The program: sets up the application object, creates the four windows and runs the
// message loop until the main window has closed. A QApplication must exist. Reads no
// arguments; returns the message loop's exit code.
int Tavrin_Pj();

} // namespace tavrin
