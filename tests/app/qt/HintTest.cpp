// Hints: the status text of what the mouse rests on goes to status panel 0, and the
// tooltip shows only for controls whose tooltip is on.

#include "AppFixture.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolTip>

namespace tavrin::testing {
namespace {

class HintTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
    }

    QString Panel0() const { return Quelt->StatusBar1->PanelText(0); }

    void MoveMouseOver(QWidget* widget) {
        QTest::mouseMove(widget, widget->rect().center());
        QCoreApplication::processEvents();
    }

    // What the toolkit shows when the mouse rests on `widget`: empty for no tooltip.
    QString TooltipOf(QWidget* widget) {
        QToolTip::hideText();
        const QPoint at = widget->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QCoreApplication::sendEvent(widget, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    // Opens `menu` as a click on its title does, with the mouse resting on the title.
    void Open(QMenu* menu) {
        QMenuBar* bar = Quelt->MainMenu1;
        QTest::mouseMove(bar, bar->actionGeometry(menu->menuAction()).center());
        bar->setActiveAction(menu->menuAction());
        ASSERT_TRUE(WaitUntil([menu] { return menu->isVisible(); }));
        QCoreApplication::processEvents();
    }

    void Highlight(QMenu* menu, QAction* item) {
        Open(menu);
        menu->setActiveAction(item);
        QCoreApplication::processEvents();
    }
};

struct ControlHint {
    const char* control;
    const char* status; // panel 0
    const char* tooltip;
};

TEST_F(HintTest, ControlUnderTheMouseGivesStatusTextAndTooltip) {
    const ControlHint rows[] = {
        {"Edit_Data", " Caracteres a enviar pela porta serial.", ""},
        {"Memo", " Caracteres recebidos pela porta serial.", ""},
        {"BitBtn1", " Enviar string.", "Enviar "},
        {"BitBtn2", " Limpa linha de comando e mensagens recebidas.", "Limpar Tudo "},
        {"nova_linha", " Envia caracteres de retorno do carro e nova linha.",
         "Enviar em Nova Linha "},
        {"CR", " Caracteres que faltam para completar o comprimento máximo da string.",
         "Caracteres Restantes "},
        {"ComLed2", " Indica o estado da porta.", "Status da Porta "},
        {"ComLed1", " Indica a presença de dispositivo com sinal DSR conectado.",
         "Detecção de Hardware "},
    };
    for (const ControlHint& row : rows) {
        SCOPED_TRACE(row.control);
        auto* control = Quelt->findChild<QWidget*>(QString::fromLatin1(row.control));
        ASSERT_NE(control, nullptr);
        MoveMouseOver(control);
        EXPECT_EQ(Panel0(), QString::fromUtf8(row.status));
        EXPECT_EQ(TooltipOf(control), QString::fromUtf8(row.tooltip));
    }
}

TEST_F(HintTest, ControlsWithoutHintEmptyThePanel) {
    for (QWidget* quiet : std::initializer_list<QWidget*>{Quelt->Label6, Quelt->Label10,
                                                          Quelt->Panel2, Quelt->Label1}) {
        SCOPED_TRACE(quiet->objectName().toStdString());
        MoveMouseOver(Quelt->BitBtn1);
        ASSERT_EQ(Panel0(), QStringLiteral(" Enviar string."));
        MoveMouseOver(quiet);
        EXPECT_EQ(Panel0(), QString());
    }
}

// A control without a hint of its own shows the hint of the nearest control around it
// that has one; Qt by itself would leave the panel as the last control left it.
TEST_F(HintTest, ControlWithoutHintShowsTheHintOfItsContainer) {
    Quelt->Panel2->setStatusTip(QStringLiteral(" Ferramentas."));
    MoveMouseOver(Quelt->BitBtn1);
    ASSERT_EQ(Panel0(), QStringLiteral(" Enviar string."));
    MoveMouseOver(Quelt->Label6);
    EXPECT_EQ(Panel0(), QStringLiteral(" Ferramentas."));
    MoveMouseOver(Quelt->BitBtn2);
    MoveMouseOver(Quelt->Label10);
    EXPECT_EQ(Panel0(), QStringLiteral(" Ferramentas."));
}

TEST_F(HintTest, HighlightedMenuItemGivesItsHint) {
    Highlight(Quelt->Configuraes1, Quelt->ConfiguraPorta1);
    EXPECT_EQ(Panel0(), QStringLiteral("Edita configurações da porta de comunicação serial."));
    Highlight(Quelt->Configuraes1, Quelt->Terminal1);
    EXPECT_EQ(Panel0(), QStringLiteral("Edita configurações do terminal."));
    Highlight(Quelt->Ajuda1, Quelt->ComandoseIndicadores1);
    EXPECT_EQ(Panel0(), QStringLiteral("Tópicos de ajuda."));
    Highlight(Quelt->Sobre1, Quelt->Sobre2);
    EXPECT_EQ(Panel0(), QString());
    Quelt->Sobre1->hide();
}

TEST_F(HintTest, OpenedMenuGivesItsOwnHintUntilAnItemIsHighlighted) {
    MoveMouseOver(Quelt->BitBtn1);
    Open(Quelt->Conexo1);
    EXPECT_EQ(Panel0(), QStringLiteral("Abre ou fecha a porta COM do computador."));
    Quelt->Conexo1->setActiveAction(Quelt->AbrirPorta1);
    QCoreApplication::processEvents();
    EXPECT_EQ(Panel0(), QString());
    Quelt->Conexo1->hide();
}

TEST_F(HintTest, HintsLeaveTheOtherPanelsAlone) {
    Quelt->StatusBar1->SetPanelText(1, QStringLiteral(" CAPS"));
    Quelt->StatusBar1->SetPanelText(2, QStringLiteral(" SPACE"));
    MoveMouseOver(Quelt->Memo);
    MoveMouseOver(Quelt->Label4);
    EXPECT_EQ(Quelt->StatusBar1->PanelText(1), QStringLiteral(" CAPS"));
    EXPECT_EQ(Quelt->StatusBar1->PanelText(2), QStringLiteral(" SPACE"));
    for (int i = 0; i < Quelt->StatusBar1->PanelCount(); ++i)
        EXPECT_TRUE(Quelt->StatusBar1->Panel(i)->isVisible()) << "panel " << i;
}

} // namespace
} // namespace tavrin::testing
