#include "app/qt/FormStyle.h"

#include <QFont>
#include <QLabel>
#include <QStringList>
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

void SubstituteDesignFonts() {
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList metricTwins{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                  QStringLiteral("Nimbus Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               metricTwins + QStringList{QStringLiteral("Microsoft Sans Serif"),
                                                         QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), metricTwins);
    QFont::insertSubstitutions(QStringLiteral("Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}

void FitCaption(QLabel* label) {
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(needed, label->height());
}

} // namespace tavrin
