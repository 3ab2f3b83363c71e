#include "app/qt/Colors.h"

#include <QApplication>
#include <QPalette>

namespace tavrin {

QColor clBtnFace() {
    return QApplication::palette().color(QPalette::Button);
}

QColor clBackground() {
    return QColor(0, 78, 152);
}

} // namespace tavrin
