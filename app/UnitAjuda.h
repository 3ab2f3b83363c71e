#pragma once

// The help window: created at start-up, hidden, shown modally by "Ajuda...".

#include "ui_UnitAjuda.h"

#include <QDialog>

namespace tavrin {

class TFormAjuda : public QDialog, public Ui::UnitAjuda {
    Q_OBJECT
public:
    explicit TFormAjuda(QWidget* parent = nullptr);

    // Shows the window modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }
};

extern TFormAjuda* FormAjuda;

} // namespace tavrin
