#pragma once

// The about window: created at start-up, hidden, shown modally by "Sobre...".

#include "ui_UnitSobre.h"

#include <QDialog>

namespace tavrin {

class TFormSobre : public QDialog, public Ui::UnitSobre {
    Q_OBJECT
public:
    explicit TFormSobre(QWidget* parent = nullptr);

    // Shows the window modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }
};

extern TFormSobre* FormSobre;

} // namespace tavrin
