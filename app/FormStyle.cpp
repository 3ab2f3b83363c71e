#include "app/FormStyle.h"

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

} // namespace tavrin
