#include "app/qt/FormLook.h"

#include <QPalette>
#include <QWidget>

namespace tavrin {

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

QFont DesignFont() {
    return PixelFont(QStringLiteral("MS Sans Serif"), 11);
}

QColor FormColor(const QWidget* form) {
    return form->palette().color(QPalette::Window);
}

void SetFormColor(QWidget* form, const QColor& color) {
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, color);
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

} // namespace tavrin
