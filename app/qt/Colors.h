#pragma once

// The system colours the window layouts are drawn in.

#include <QColor>

namespace tavrin {

// The face of buttons: the background of every window until the terminal settings change
// it. Taken from the platform's palette, as the system colour it stands for.
QColor clBtnFace();

// The desktop colour of the system the layouts were drawn on; the main window writes its
// labels in it.
QColor clBackground();

} // namespace tavrin
