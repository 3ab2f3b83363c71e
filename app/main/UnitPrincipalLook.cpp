// The main window's look: what its layout cannot say (fonts sized in pixels, system
// colours), the status bar's panels, its fixed frame and its place on the screen.

#include "app/main/UnitPrincipal.h"
#include "app/qt/Colors.h"
#include "app/qt/FormStyle.h"

#include <QApplication>

namespace tavrin {

namespace {

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// Menus and status bars are drawn by the system in its own font and text colour; they do
// not follow the window's.
void KeepSystemLook(QWidget* widget) {
    widget->setFont(QApplication::font(widget));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText,
                     QApplication::palette(widget).color(QPalette::WindowText));
    widget->setPalette(palette);
}

} // namespace

void TQuelt::ApplyDesignLook() {
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, clBtnFace());
    palette.setColor(QPalette::WindowText, clBackground());
    setPalette(palette);
    setAutoFillBackground(true);

    Edit_Data->setFont(PixelFont(QStringLiteral("Arial"), 19));
    Memo->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 16));
    CR->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 16));

    // The web address is the one text of the logo block that would not fit at full size.
    Label3->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 9));
    for (QLabel* caption : {Label6, Label10, Label4, Label8, Label1, Label2, Label3})
        FitCaption(caption);
    QPalette white = LogoBlock->palette();
    white.setColor(QPalette::Window, Qt::white);
    LogoBlock->setPalette(white);

    KeepSystemLook(MainMenu1);
    KeepSystemLook(StatusBar1);
    // The terminal settings colour the window; the menu bar is the system's and the
    // reception pane (its scroll bars' corner too) keeps its own colours.
    for (QWidget* own : {static_cast<QWidget*>(MainMenu1), static_cast<QWidget*>(Memo)}) {
        QPalette pinned = own->palette();
        pinned.setColor(QPalette::Window, clBtnFace());
        own->setPalette(pinned);
    }
    StatusBar1->setFixedHeight(19);
    for (int width : {450, 73, 50})
        StatusBar1->AddPanel(width);

    // A menu's hint belongs to the action that stands for it in the menu bar.
    for (QMenu* menu : {Conexo1, Configuraes1, Ajuda1, Sobre1}) {
        menu->menuAction()->setStatusTip(menu->statusTip());
        menu->setStatusTip({});
    }

    SetSingleBorder(this, QSize(590, MainMenu1->sizeHint().height() + 331), MinimizeBox::Yes);
    move(235, 212);
    Button_Send->setFocus();
}

} // namespace tavrin
