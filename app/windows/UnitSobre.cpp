#include "app/windows/UnitSobre.h"

#include "app/qt/Colors.h"
#include "app/qt/FormLook.h"
#include "app/qt/FormStyle.h"
#include "app/qt/Guarded.h"

namespace tavrin {

TFormSobre* FormSobre = nullptr;

TFormSobre::TFormSobre(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    setFont(DesignFont());
    SetFormColor(this, clBtnFace());
    QFont maker = PixelFont(QStringLiteral("MS Sans Serif"), 16);
    maker.setBold(true);
    Label2->setFont(maker);
    QFont product = DesignFont();
    product.setBold(true);
    Label1->setFont(product);
    SetSingleBorder(this, QSize(209, 185), MinimizeBox::No);
    move(428, 280);
    Button1->setAccessibleName(QStringLiteral("Fechar"));
    Button1->setAccessibleDescription(QStringLiteral("Fecha a janela Sobre."));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
}

void TFormSobre::Button1Click() {
    close();
}

} // namespace tavrin
