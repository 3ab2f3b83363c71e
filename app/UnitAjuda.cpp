#include "app/UnitAjuda.h"

#include "app/FormStyle.h"

namespace tavrin {

TFormAjuda* FormAjuda = nullptr;

TFormAjuda::TFormAjuda(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    SetSingleBorder(this, QSize(514, 235), MinimizeBox::No);
    move(274, 257);
}

} // namespace tavrin
