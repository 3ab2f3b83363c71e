#pragma once

// The main window as a screen reader meets it: every control named and described, the
// lamps saying whether they are lit as they change, and the command line and the reception
// pane reachable from the keyboard although neither is a tab stop (the window's tab order
// stays as designed).

namespace tavrin {

class TQuelt;

// Keys that put the focus on the command line and on the reception pane.
inline constexpr const char* CommandLineKey = "Ctrl+L";
inline constexpr const char* ReceptionPaneKey = "Ctrl+R";

// Call once the window's components are bound.
void DescribeMainWindow(TQuelt& window);

} // namespace tavrin
