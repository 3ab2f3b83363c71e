#pragma once

// The terminal settings dialog: created at start-up, hidden, shown modally by
// "Terminal...". The send path reads its LimpaComandos check box.

#include "ui_UnitConfigTerm.h"

#include <QDialog>

namespace tavrin {

class TConfigTerm : public QDialog, public Ui::UnitConfigTerm {
    Q_OBJECT
public:
    explicit TConfigTerm(QWidget* parent = nullptr);

    // Shows the dialog modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }
};

extern TConfigTerm* ConfigTerm;

} // namespace tavrin
