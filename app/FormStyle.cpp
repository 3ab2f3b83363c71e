#include "app/FormStyle.h"

#include <QLabel>
#include <QWidget>

namespace tavrin {

void SetSingleBorder(QWidget* form, QSize size, MinimizeBox minimize) {
    const Qt::WindowFlags base = form->windowFlags() & Qt::WindowType_Mask;
    Qt::WindowFlags flags = base | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimize == MinimizeBox::Yes)
        flags |= Qt::WindowMinimizeButtonHint;
    form->setWindowFlags(flags);
    form->setFixedSize(size);
}

void FitCaption(QLabel* label) {
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(needed, label->height());
}

} // namespace tavrin
