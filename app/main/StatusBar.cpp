#include "app/main/StatusBar.h"

#include <QLabel>

namespace tavrin {

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    // The windows that carry a status bar have a fixed size: a size grip would only lie.
    setSizeGripEnabled(false);
    setContentsMargins(0, 0, 0, 0);
}

void TStatusBar::AddPanel(int width) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("%1Panel%2").arg(objectName()).arg(panels_.size()));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedWidth(width);
    panel->setTextFormat(Qt::PlainText);
    addWidget(panel);
    panels_.push_back(panel);
}

QString TStatusBar::PanelText(int index) const {
    return Panel(index)->text();
}

void TStatusBar::SetPanelText(int index, const QString& text) {
    Panel(index)->setText(text);
}

} // namespace tavrin
