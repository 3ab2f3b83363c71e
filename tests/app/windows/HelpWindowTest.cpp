// The help window: categories, keywords and the texts they show, by mouse and by keyboard,
// and the fresh start at "Ajuda" on every showing.

#include "UserGestures.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>

namespace tavrin::testing {
namespace {

class HelpWindowTest : public AppFixture {
protected:
    static QStringList Items(const QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    static QStringList Keywords() { return Items(FormAjuda->ListSub); }
    static QStringList Text() { return Items(FormAjuda->ListValues); }
    static void Click(QListWidget* list, int row) {
        const QPoint where = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    }
};

const QStringList Comandos = {QStringLiteral("Abrir Porta"),
                              QStringLiteral("Fechar Porta"),
                              QStringLiteral("Enviar"),
                              QStringLiteral("Limpar"),
                              QStringLiteral("Nova Linha"),
                              QStringLiteral("Configuração da Porta"),
                              QStringLiteral("Configuração do Terminal")};
const QStringList Indicadores = {
    QStringLiteral("Caracteres Restantes"), QStringLiteral("Status da Porta"),
    QStringLiteral("Detecção de Hardware"), QStringLiteral("Barra de Status")};

TEST_F(HelpWindowTest, OpensAtAjudaWithItsNineLines) {
    WhileShown(FormAjuda, [] {
        EXPECT_EQ(FormAjuda->ComboKey->currentText(), QStringLiteral("Ajuda"));
        EXPECT_EQ(Keywords(), QStringList{QStringLiteral("Ajuda")});
        EXPECT_TRUE(FormAjuda->ListSub->selectedItems().isEmpty());
        EXPECT_EQ(Text().size(), 9);
    });
}

// Every topic as the user reaches it: its category, its keyword, how many lines it has.
TEST_F(HelpWindowTest, EveryKeywordShowsItsTopic) {
    const struct Row {
        int category;
        const char* keyword;
        int lines;
    } rows[] = {
        {0, "Ajuda", 9},
        {1, "Abrir Porta", 7},
        {1, "Fechar Porta", 3},
        {1, "Enviar", 15},
        {1, "Limpar", 5},
        {1, "Nova Linha", 13},
        {1, "Configuração da Porta", 9},
        {1, "Configuração do Terminal", 13},
        {2, "Caracteres Restantes", 5},
        {2, "Status da Porta", 4},
        {2, "Detecção de Hardware", 9},
        {2, "Barra de Status", 8},
    };
    WhileShown(FormAjuda, [&rows] {
        QStringList seen;
        for (const Row& row : rows) {
            const QString keyword = QString::fromUtf8(row.keyword);
            SCOPED_TRACE(row.keyword);
            PickItem(FormAjuda->ComboKey, row.category);
            const int position = static_cast<int>(Keywords().indexOf(keyword));
            ASSERT_GE(position, 0);
            Click(FormAjuda->ListSub, position);

            const QStringList text = Text();
            EXPECT_EQ(text.size(), row.lines);
            ASSERT_FALSE(text.isEmpty());
            EXPECT_EQ(text.front(), QStringLiteral(" "));
            EXPECT_TRUE(text[1].startsWith(QStringLiteral("  ")) && text[1][2] != u' ');
            EXPECT_FALSE(seen.contains(text.join(u'\n'))) << "the text of another keyword";
            seen << text.join(u'\n');
        }
    });
}

TEST_F(HelpWindowTest, QuotedLinesAreExact) {
    const struct Row {
        int category;
        int position;
        int line; // negative: from the end
        const char* text;
    } rows[] = {
        {1, 2, 10, "  Todas as strings enviadas são terminadas"},
        {1, 2, -1, "caractere 0x41 e em seguida 0x00. "},
        {1, 4, 1, "  Envia os caracteres '\\r' (CR na Tabela ASCII)"},
        {1, 1, 1, "  Apenas fecha a porta de comuniação serial"},
        {1, 1, 2, "independente de qualquer outro evento. "},
        {2, 2, -1, " "},
    };
    WhileShown(FormAjuda, [&rows] {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.text);
            PickItem(FormAjuda->ComboKey, row.category);
            Click(FormAjuda->ListSub, row.position);
            const QStringList text = Text();
            const int line = row.line < 0 ? static_cast<int>(text.size()) + row.line : row.line;
            ASSERT_LT(line, text.size());
            EXPECT_EQ(text[line], QString::fromUtf8(row.text));
        }
    });
}

TEST_F(HelpWindowTest, ChoosingACategoryListsItsKeywordsAndEmptiesTheText) {
    WhileShown(FormAjuda, [] {
        const QStringList expected[] = {{QStringLiteral("Ajuda")}, Comandos, Indicadores};
        for (int category : {1, 2, 0}) {
            SCOPED_TRACE(category);
            PickItem(FormAjuda->ComboKey, category);
            EXPECT_EQ(Keywords(), expected[category]);
            EXPECT_TRUE(Text().isEmpty());
        }
    });
}

TEST_F(HelpWindowTest, ArrowKeysMoveThroughTheTopics) {
    WhileShown(FormAjuda, [] {
        PickItem(FormAjuda->ComboKey, 2);
        Click(FormAjuda->ListSub, 0);
        QStringList firstLines{Text().value(1)};
        for (int i = 1; i < Indicadores.size(); ++i) {
            QTest::keyClick(FormAjuda->ListSub, Qt::Key_Down);
            firstLines << Text().value(1);
        }
        QTest::keyClick(FormAjuda->ListSub, Qt::Key_Up);
        EXPECT_EQ(FormAjuda->ListSub->currentItem()->text(), Indicadores[2]);
        firstLines << Text().value(1);
        EXPECT_EQ(firstLines.size(), 5);
        EXPECT_EQ(firstLines.at(4), firstLines.at(2));
        firstLines.removeLast();
        firstLines.removeDuplicates();
        EXPECT_EQ(firstLines.size(), 4) << "each keyword its own text";
    });
}

TEST_F(HelpWindowTest, TypingIntoTheCategoryFieldEmptiesBothLists) {
    WhileShown(FormAjuda, [] {
        PickItem(FormAjuda->ComboKey, 1);
        Click(FormAjuda->ListSub, 0);
        QTest::keyClicks(FormAjuda->ComboKey->lineEdit(), QStringLiteral("x"));
        EXPECT_TRUE(Keywords().isEmpty());
        EXPECT_TRUE(Text().isEmpty());
        EXPECT_EQ(FormAjuda->ComboKey->currentIndex(), -1);
        EXPECT_EQ(CurrentCategory, hcComandos) << "a typed text names no category";
        QTest::mouseClick(FormAjuda->ListSub->viewport(), Qt::LeftButton);
        EXPECT_TRUE(Text().isEmpty());
    });
}

TEST_F(HelpWindowTest, ReopeningReturnsToAjuda) {
    WhileShown(FormAjuda, [] {
        PickItem(FormAjuda->ComboKey, 2);
        Click(FormAjuda->ListSub, 3);
        EXPECT_EQ(Text().size(), 8);
    });
    WhileShown(FormAjuda, [] {
        EXPECT_EQ(FormAjuda->ComboKey->currentText(), QStringLiteral("Ajuda"));
        EXPECT_EQ(Keywords(), QStringList{QStringLiteral("Ajuda")});
        EXPECT_EQ(Text().size(), 9);
        EXPECT_EQ(CurrentCategory, hcAjuda);
    });
}

// A list box breaks no line: every line fits the list, or the list scrolls sideways to it.
TEST_F(HelpWindowTest, EveryLineCanBeReadWhole) {
    WhileShown(FormAjuda, [] {
        QListWidget* list = FormAjuda->ListValues;
        // The room the item view leaves on either side of a text.
        const int margins =
            2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int category = 0; category < 3; ++category) {
            PickItem(FormAjuda->ComboKey, category);
            for (int position = 0; position < FormAjuda->ListSub->count(); ++position) {
                Click(FormAjuda->ListSub, position);
                QCoreApplication::processEvents(); // the scroll bars follow the new text
                const int reach =
                    list->viewport()->width() + list->horizontalScrollBar()->maximum();
                for (int i = 0; i < list->count(); ++i) {
                    const QString line = list->item(i)->text();
                    const int width = list->fontMetrics().horizontalAdvance(line) + margins;
                    EXPECT_LE(width, list->visualItemRect(list->item(i)).width())
                        << line.toStdString();
                    EXPECT_LE(width, reach) << line.toStdString();
                    if (getenv("SHOW_WIDTHS"))
                        printf("%d/%d %s\n", width, list->viewport()->width(),
                               line.toUtf8().constData());
                }
            }
        }
    });
}

TEST_F(HelpWindowTest, FecharClosesTheWindow) {
    bool closed = false;
    QTimer::singleShot(0, FormAjuda, [&] {
        WaitUntil([] { return QApplication::activeModalWidget() == FormAjuda; });
        FormAjuda->Fechar1->trigger();
        closed = !FormAjuda->isVisible();
    });
    FormAjuda->ShowModal();
    EXPECT_TRUE(closed);
}

// The tools have a category of their own after the three of the layout; the simulated
// board's topic names every command the board takes.
TEST_F(HelpWindowTest, FerramentasListsThePlacaSimuladaTopicWithEveryCommand) {
    WhileShown(FormAjuda, [] {
        EXPECT_EQ(FormAjuda->ComboKey->findText(QStringLiteral("Ferramentas")), 3);
        PickItem(FormAjuda->ComboKey, 3);
        EXPECT_EQ(CurrentCategory, hcFerramentas);
        ASSERT_TRUE(Keywords().contains(QStringLiteral("Placa Simulada")));
        Click(FormAjuda->ListSub, static_cast<int>(Keywords().indexOf("Placa Simulada")));
        const QString text = Text().join(QLatin1Char(' '));
        EXPECT_EQ(Text().front(), QStringLiteral(" "));
        for (const char* command :
             {"SIM", "AJUDA", "LED1", "LED2", "STATUS", "ECO", "LER", "FLUXO", "FIM", "LENTO",
              "UART", "DESCONECTAR", "RUIDO", "CLS", "tavrin-board"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(command))) << command;
    });
}

// The line's tools each have a topic after the board's, naming what a student looks for.
TEST_F(HelpWindowTest, FerramentasExplainsTheMonitorTheFrameTheTranscriptAndTheHistory) {
    const struct Row {
        const char* keyword;
        std::initializer_list<const char*> words;
    } rows[] = {
        {"Monitor da Linha", {"TX", "RX", "NUL", "CR", "LF", "0x01", "10 ms", "Pausar", "Limpar"}},
        {"Quadro de um Byte", {"início", "paridade", "parada", "104.2 µs", "1.04 ms"}},
        {"Gravar Sessão", {"--log", "tabulações", "<CR>", "segundo"}},
        {"Histórico de Comandos", {"cima", "baixo", "50"}},
    };
    WhileShown(FormAjuda, [&] {
        PickItem(FormAjuda->ComboKey, 3);
        EXPECT_EQ(Keywords(),
                  (QStringList{"Placa Simulada", "Monitor da Linha", "Quadro de um Byte",
                               "Gravar Sessão", "Histórico de Comandos"}));
        for (const Row& row : rows) {
            SCOPED_TRACE(row.keyword);
            Click(FormAjuda->ListSub, static_cast<int>(Keywords().indexOf(row.keyword)));
            EXPECT_EQ(Text().front(), QStringLiteral(" "));
            const QString text = Text().join(QLatin1Char(' '));
            for (const char* word : row.words)
                EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
        }
    });
}

} // namespace
} // namespace tavrin::testing
