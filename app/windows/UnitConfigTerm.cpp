#include "app/windows/UnitConfigTerm.h"

#include "app/main/UnitPrincipal.h"
#include "app/qt/Colors.h"
#include "app/qt/ComboBoxChange.h"
#include "app/qt/FormLook.h"
#include "app/qt/FormStyle.h"
#include "app/qt/Guarded.h"
#include "app/windows/UnitAjuda.h"

#include <array>
#include <optional>

namespace tavrin {

TConfigTerm* ConfigTerm = nullptr;

namespace {

// By item of CorBox: the main window's colour. " Padrão" is the colour the windows are
// designed in; no item (a typed text) changes nothing.
std::optional<QColor> ColorOfItem(int index) {
    switch (index) {
    case 0:
        return clBtnFace();
    case 1:
        return QColor(100, 150, 255);
    case 2:
        return QColor(100, 200, 100);
    case 3:
        return QColor(255, 150, 80);
    default:
        return std::nullopt;
    }
}

// By item of FontBox: the reception pane's size in points. The items name Arial, but the
// pane keeps its own face.
constexpr std::array<int, 5> PaneFontPoints = {9, 10, 12, 15, 19};

// By item of StringBox: the longest command, and the command line's font size in points
// (smaller for the longest commands, so that more of them shows).
struct CommandLength {
    std::int32_t maxLength;
    int points;
};
constexpr std::array<CommandLength, 3> CommandLengths = {{{16, 16}, {32, 16}, {64, 12}}};

template <class Table> bool InTable(const Table& table, int index) {
    return index >= 0 && index < static_cast<int>(table.size());
}

} // namespace

TConfigTerm::TConfigTerm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    setFont(DesignFont());
    SetSingleBorder(this, QSize(223, 241), MinimizeBox::No);
    move(406, 267);
    DescribeControls();
    BindUserChange(CorBox, [this] { CorBoxChange(); });
    BindUserChange(FontBox, [this] { FontBoxChange(); });
    BindUserChange(StringBox, [this] { StringBoxChange(); });
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    FormCreate();
}

void TConfigTerm::DescribeControls() {
    CorBox->setAccessibleName(QStringLiteral("Cor"));
    CorBox->setAccessibleDescription(QStringLiteral("Cor de fundo das janelas."));
    FontBox->setAccessibleName(QStringLiteral("Fonte"));
    FontBox->setAccessibleDescription(QStringLiteral("Tamanho da fonte da área de recepção."));
    StringBox->setAccessibleName(QStringLiteral("String"));
    StringBox->setAccessibleDescription(
        QStringLiteral("Número máximo de caracteres da linha de comandos."));
    LimpaComandos->setAccessibleName(QStringLiteral("Apagar linha de comandos"));
    LimpaComandos->setAccessibleDescription(
        QStringLiteral("Apaga a linha de comandos após cada envio."));
    Button1->setAccessibleName(QStringLiteral("Fechar"));
    Button1->setAccessibleDescription(QStringLiteral("Fecha a configuração do terminal."));
}

void TConfigTerm::FormCreate() {
    if (Quelt)
        SetFormColor(this, FormColor(Quelt));
    // Selected by the program: no handler runs.
    CorBox->setCurrentIndex(0);
    FontBox->setCurrentIndex(2);
    StringBox->setCurrentIndex(1);
}

void TConfigTerm::CorBoxChange() {
    if (const auto color = ColorOfItem(CorBox->currentIndex()))
        SetFormColor(Quelt, *color);
    // The about window keeps the colour it was designed in.
    SetFormColor(this, FormColor(Quelt));
    if (FormAjuda)
        SetFormColor(FormAjuda, FormColor(Quelt));
}

void TConfigTerm::FontBoxChange() {
    const int index = FontBox->currentIndex();
    if (!InTable(PaneFontPoints, index))
        return;
    QFont font = Quelt->Memo->font();
    font.setPointSize(PaneFontPoints[index]);
    Quelt->Memo->setFont(font);
}

void TConfigTerm::StringBoxChange() {
    const int index = StringBox->currentIndex();
    if (InTable(CommandLengths, index)) {
        MaxCommandLength = CommandLengths[index].maxLength;
        QFont font = Quelt->Edit_Data->font();
        font.setPointSize(CommandLengths[index].points);
        Quelt->Edit_Data->setFont(font);
    }
    // Whatever was chosen, the command line starts afresh under the maximum now in force.
    Quelt->Edit_Data->clear();
    RemainingChars = MaxCommandLength - static_cast<std::int32_t>(Quelt->Edit_Data->text().size());
    Quelt->CR->setText(QString::number(RemainingChars));
    Quelt->Edit_Data->setMaxLength(MaxCommandLength);
}

void TConfigTerm::Button1Click() {
    close();
}

} // namespace tavrin
