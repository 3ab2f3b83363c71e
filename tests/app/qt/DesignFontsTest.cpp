// The same look on every machine: the designed faces ("MS Sans Serif", Arial) come out as
// Liberation Sans, which has Arial's metrics, and every caption of the main window fits
// the room it was designed with.

#include "AppFixture.h"

#include <QFontInfo>
#include <QLabel>
#include <QPainterPath>

#include <cmath>

namespace tavrin::testing {
namespace {

using DesignFontsTest = AppFixture;

// Where the ink of a left-aligned text ends, from the outlines of its letters: trailing
// blanks take no room, and a letter's ink may end before or after its advance.
int InkWidth(const QFont& font, const QString& text) {
    QPainterPath outline;
    outline.addText(0, 0, font, text);
    return static_cast<int>(std::ceil(outline.boundingRect().right()));
}

TEST_F(DesignFontsTest, DesignedFacesComeOutAsLiberationSans) {
    for (QWidget* widget : std::initializer_list<QWidget*>{
             Quelt, Quelt->Edit_Data, Quelt->Memo, Quelt->CR, Quelt->Label6, Quelt->Label3}) {
        SCOPED_TRACE(widget->objectName().toStdString() + " " +
                     widget->font().family().toStdString());
        EXPECT_EQ(QFontInfo(widget->font()).family(), QStringLiteral("Liberation Sans"));
    }
    // The menus and the status bar keep the system's face, but never a fixed-width one.
    for (QWidget* widget : std::initializer_list<QWidget*>{Quelt->MainMenu1, Quelt->StatusBar1}) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_FALSE(QFontInfo(widget->font()).fixedPitch())
            << QFontInfo(widget->font()).family().toStdString();
    }
}

TEST_F(DesignFontsTest, EveryCaptionFitsItsPlace) {
    ShowMainWindow();
    for (QLabel* label : Quelt->findChildren<QLabel*>()) {
        if (label->text().trimmed().isEmpty() || label->parentWidget() == Quelt->StatusBar1)
            continue;
        SCOPED_TRACE(label->objectName().toStdString() + " \"" + label->text().toStdString() +
                     "\"");
        const int needed = InkWidth(label->font(), label->text());
        EXPECT_LE(needed, label->contentsRect().width());
        EXPECT_LE(label->fontMetrics().height(), label->contentsRect().height());
        // Nothing of it may lie outside the window's strip or block that holds it.
        const QRect inParent = label->geometry();
        EXPECT_LE(inParent.left() + needed, label->parentWidget()->width());
    }
}

} // namespace
} // namespace tavrin::testing
