#pragma once

// The about window: the program, its maker and its version. Created at start-up, hidden,
// shown modally by "Sobre..."; it keeps the colour it was designed in whatever the
// terminal settings choose for the other windows.

#include "ui_UnitSobre.h"

#include <QDialog>

namespace tavrin {

class TFormSobre : public QDialog, public Ui::UnitSobre {
    Q_OBJECT
public:
    explicit TFormSobre(QWidget* parent = nullptr);

    // Shows the window modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }

    void Button1Click();
};

extern TFormSobre* FormSobre;

} // namespace tavrin
