#include "app/UnitSobre.h"

#include "app/FormStyle.h"

namespace tavrin {

TFormSobre* FormSobre = nullptr;

TFormSobre::TFormSobre(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    SetSingleBorder(this, QSize(209, 185), MinimizeBox::No);
    move(428, 280);
}

} // namespace tavrin
