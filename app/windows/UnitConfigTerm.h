#pragma once

// The terminal settings dialog: the colour of the windows, the reception pane's font size,
// the maximum command length and the emptying of the command line after each send. Every
// choice takes effect at once; nothing is stored. Created at start-up, hidden, shown
// modally by "Terminal..."; closing only hides it, and the choices stay. The send path
// reads its LimpaComandos check box.

#include "ui_UnitConfigTerm.h"

#include <QDialog>

namespace tavrin {

class TConfigTerm : public QDialog, public Ui::UnitConfigTerm {
    Q_OBJECT
public:
    explicit TConfigTerm(QWidget* parent = nullptr);

    // Shows the dialog modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }

    void FormCreate();
    void CorBoxChange();
    void FontBoxChange();
    void StringBoxChange();
    void Button1Click();

private:
    void DescribeControls();
};

extern TConfigTerm* ConfigTerm;

} // namespace tavrin
