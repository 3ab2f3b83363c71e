#pragma once

// The windows of the program have the single, fixed border of a classic dialog frame:
// a title bar with the system menu and a close box, a minimise box only where asked for,
// never a maximise box, and no way to resize.

#include <QSize>

class QLabel;
class QWidget;

namespace tavrin {

enum class MinimizeBox : bool { No, Yes };

// `size` is the whole widget: the window's client area, with the menu bar if it has one.
void SetSingleBorder(QWidget* form, QSize size, MinimizeBox minimize);

// The layouts name Windows faces ("MS Sans Serif", Arial). Everywhere else Liberation Sans,
// which has Arial's metrics and which the scripts and the package install, stands in for
// both, so texts keep the room they were designed for on every machine; faces of the same
// metrics follow for machines without it. Qt's generic default face, which fontconfig
// does not know by that name, goes to a sans-serif face too instead of whatever comes
// first (a fixed-width face on a system with Liberation fonts only). Idempotent.
void SubstituteDesignFonts();

// A caption grows to the width its text needs, as the classic toolkit's auto-sized labels
// do, so that a face a little wider than the designed one never cuts its last letter. It
// keeps its place and never shrinks below the designed width.
void FitCaption(QLabel* label);

} // namespace tavrin
