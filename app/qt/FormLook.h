#pragma once

// What the secondary windows share with the main window's look: the design font of the
// layouts, given in pixels, and the background colour of a form, which the terminal
// settings pass from the main window to the windows that follow it.

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

namespace tavrin {

// A face at a height in pixels, as the layouts give it.
QFont PixelFont(const QString& family, int pixels);

// The font every form is designed in unless a control says otherwise.
QFont DesignFont();

// A form's colour is its background; the controls that take their colour from the form
// (labels, group boxes, panels, status bar) follow it, edits and lists keep their own.
QColor FormColor(const QWidget* form);
void SetFormColor(QWidget* form, const QColor& color);

} // namespace tavrin
