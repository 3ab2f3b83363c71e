#include "app/windows/UnitAjuda.h"

#include "app/main/UnitPrincipal.h"
#include "app/qt/Colors.h"
#include "app/qt/ComboBoxChange.h"
#include "app/qt/FormLook.h"
#include "app/qt/FormStyle.h"
#include "app/qt/Guarded.h"

#include <QEvent>
#include <QStyledItemDelegate>

namespace tavrin {

THelpCategory CurrentCategory = hcAjuda;
TFormAjuda* FormAjuda = nullptr;

namespace {

// The text list's lines are as high as the layout gives them, whatever the face's own
// line spacing.
class FixedLineHeight : public QStyledItemDelegate {
public:
    FixedLineHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

} // namespace

TFormAjuda::TFormAjuda(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    // The tools added to the program have a category of their own after the layout's three.
    if (ComboKey->findText(QStringLiteral("Ferramentas")) < 0)
        ComboKey->addItem(QStringLiteral("Ferramentas"));
    ApplyDesignLook();
    DescribeControls();
    BindUserChange(ComboKey, [this] { ComboKeyChange(); });
    // A selection made by mouse or by arrow keys; a list emptied by the program selects
    // nothing and shows nothing.
    connect(ListSub, &QListWidget::itemSelectionChanged, this, Guarded([this] { ListSubClick(); }));
    connect(Fechar1, &QAction::triggered, this, Guarded([this] { Fechar1Click(); }));
    FormCreate();
}

void TFormAjuda::ApplyDesignLook() {
    setFont(DesignFont());
    for (QLabel* label : {Label1, Label2})
        label->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13));
    ListValues->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 15));
    ListValues->setItemDelegate(new FixedLineHeight(16, ListValues));
    // A line wider than the list is scrolled to, not cut short.
    ListValues->setTextElideMode(Qt::ElideNone);
    ListValues->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Lines are read, not chosen.
    ListValues->setSelectionMode(QAbstractItemView::NoSelection);
    // The menu bar is the system's: it keeps its colour when the window's changes.
    QPalette system = MainMenu1->palette();
    system.setColor(QPalette::Window, clBtnFace());
    MainMenu1->setPalette(system);
    // The menu bar comes on top of the client area, whose layout is fixed.
    const int menuHeight = MainMenu1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, 514, menuHeight);
    ClientArea->move(0, menuHeight);
    SetSingleBorder(this, QSize(514, menuHeight + 235), MinimizeBox::No);
    move(274, 257);
}

void TFormAjuda::DescribeControls() {
    ComboKey->setAccessibleName(QStringLiteral("Tópicos"));
    ComboKey->setAccessibleDescription(QStringLiteral("Categoria dos tópicos de ajuda."));
    ListSub->setAccessibleName(QStringLiteral("Palavras Chave"));
    ListSub->setAccessibleDescription(QStringLiteral("Palavras chave da categoria escolhida."));
    ListValues->setAccessibleName(QStringLiteral("Texto de ajuda"));
    ListValues->setAccessibleDescription(QStringLiteral("Texto da palavra chave escolhida."));
    MainMenu1->setAccessibleName(QStringLiteral("Menu da ajuda"));
}

bool TFormAjuda::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        RunGuarded([this] { FormCreate(); });
    return handled;
}

void TFormAjuda::FormCreate() {
    // The terminal settings may have changed the main window's colour since.
    if (Quelt)
        SetFormColor(this, FormColor(Quelt));
    CurrentCategory = hcAjuda;
    ListSub->clear();
    ListValues->clear();
    // Selected by the program: no handler runs.
    ComboKey->setCurrentIndex(0);
    ListKeywords({htAjuda});
    Ajud();
}

void TFormAjuda::ComboKeyChange() {
    ListSub->clear();
    ListValues->clear();
    switch (ComboKey->currentIndex()) {
    case 0:
        ListKeywords({htAjuda});
        CurrentCategory = hcAjuda;
        break;
    case 1:
        ListKeywords({htAbrirPorta, htFecharPorta, htEnviar, htLimpar, htNovaLinha,
                      htConfiguracaoPorta, htConfiguracaoTerminal});
        CurrentCategory = hcComandos;
        break;
    case 2:
        ListKeywords({htCaracteresRestantes, htStatusPorta, htDeteccaoHardware, htBarraStatus});
        CurrentCategory = hcIndicadores;
        break;
    case 3:
        for (THelpTopic topic : ToolTopics)
            ListSub->addItem(HelpKeyword(topic));
        CurrentCategory = hcFerramentas;
        break;
    default:
        // A typed text names no category: the lists stay empty, the category stays.
        break;
    }
}

void TFormAjuda::ListSubClick() {
    const QList<QListWidgetItem*> selected = ListSub->selectedItems();
    if (selected.isEmpty())
        return;
    const QList<QListWidgetItem*> same =
        ListSub->findItems(selected.front()->text(), Qt::MatchExactly);
    const int position = ListSub->row(same.front());
    switch (CurrentCategory) {
    case hcAjuda:
        Ajud();
        break;
    case hcComandos: {
        using Routine = void (TFormAjuda::*)();
        static constexpr Routine comandos[] = {&TFormAjuda::AbrirP,   &TFormAjuda::FechaP,
                                               &TFormAjuda::EnviarMs, &TFormAjuda::LimparTudo,
                                               &TFormAjuda::NLinha,   &TFormAjuda::ConfPorta,
                                               &TFormAjuda::ConfTerm};
        if (position < static_cast<int>(std::size(comandos)))
            (this->*comandos[position])();
        break;
    }
    case hcIndicadores: {
        using Routine = void (TFormAjuda::*)();
        static constexpr Routine indicadores[] = {&TFormAjuda::CaracRest, &TFormAjuda::PortAbr,
                                                  &TFormAjuda::HDetec, &TFormAjuda::BarradeStatus};
        if (position < static_cast<int>(std::size(indicadores)))
            (this->*indicadores[position])();
        break;
    }
    case hcFerramentas: {
        if (position < static_cast<int>(std::size(ToolTopics)))
            ShowTopic(ToolTopics[position]);
        break;
    }
    }
}

void TFormAjuda::Fechar1Click() {
    close();
}

void TFormAjuda::ListKeywords(std::initializer_list<THelpTopic> topics) {
    for (THelpTopic topic : topics)
        ListSub->addItem(HelpKeyword(topic));
}

void TFormAjuda::ShowTopic(THelpTopic topic) {
    ListValues->clear();
    ListValues->addItems(HelpLines(topic));
}

void TFormAjuda::Ajud() {
    ShowTopic(htAjuda);
}
void TFormAjuda::AbrirP() {
    ShowTopic(htAbrirPorta);
}
void TFormAjuda::FechaP() {
    ShowTopic(htFecharPorta);
}
void TFormAjuda::EnviarMs() {
    ShowTopic(htEnviar);
}
void TFormAjuda::LimparTudo() {
    ShowTopic(htLimpar);
}
void TFormAjuda::NLinha() {
    ShowTopic(htNovaLinha);
}
void TFormAjuda::ConfPorta() {
    ShowTopic(htConfiguracaoPorta);
}
void TFormAjuda::ConfTerm() {
    ShowTopic(htConfiguracaoTerminal);
}
void TFormAjuda::CaracRest() {
    ShowTopic(htCaracteresRestantes);
}
void TFormAjuda::PortAbr() {
    ShowTopic(htStatusPorta);
}
void TFormAjuda::HDetec() {
    ShowTopic(htDeteccaoHardware);
}
void TFormAjuda::BarradeStatus() {
    ShowTopic(htBarraStatus);
}

} // namespace tavrin
