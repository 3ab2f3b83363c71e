#pragma once

// The windows of the program have the single, fixed border of a classic dialog frame:
// a title bar with the system menu and a close box, a minimise box only where asked for,
// never a maximise box, and no way to resize.

#include <QSize>

class QWidget;

namespace tavrin {

enum class MinimizeBox : bool { No, Yes };

// `size` is the whole widget: the window's client area, with the menu bar if it has one.
void SetSingleBorder(QWidget* form, QSize size, MinimizeBox minimize);

} // namespace tavrin
