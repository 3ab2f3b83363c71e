#include "app/UnitConfigTerm.h"

#include "app/FormStyle.h"

namespace tavrin {

TConfigTerm* ConfigTerm = nullptr;

TConfigTerm::TConfigTerm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    SetSingleBorder(this, QSize(223, 241), MinimizeBox::No);
    move(406, 267);
}

} // namespace tavrin
