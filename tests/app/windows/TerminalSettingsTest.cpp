// The terminal settings dialog: its choices act at once on the main window, the help window
// and the command line, only when the user makes them, and stay for the next showing.

#include "UserGestures.h"

#include "app/qt/Colors.h"
#include "app/qt/FormLook.h"

#include <QLineEdit>

namespace tavrin::testing {
namespace {

class TerminalSettingsTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
    }
    static void Type(QComboBox* box, const QString& text) {
        QTest::keyClicks(box->lineEdit(), text);
    }
};

TEST_F(TerminalSettingsTest, ColourFollowsMainWindowDialogAndHelpWindowButNotAbout) {
    const QColor face = clBtnFace();
    enum Gesture { Pick, TypeText, ArrowDown };
    const struct Row {
        const char* name;
        Gesture gesture;
        int item;
        QColor colour;
    } rows[] = {
        {" Azul", Pick, 1, QColor(100, 150, 255)},
        {"typing keeps the colour", TypeText, -1, QColor(100, 150, 255)},
        {" Verde", Pick, 2, QColor(100, 200, 100)},
        {"arrow key to Laranja", ArrowDown, 3, QColor(255, 150, 80)},
        {" Padrão restores", Pick, 0, face},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        switch (row.gesture) {
        case Pick:
            PickItem(ConfigTerm->CorBox, row.item);
            break;
        case TypeText:
            Type(ConfigTerm->CorBox, QStringLiteral("x"));
            break;
        case ArrowDown:
            QTest::keyClick(ConfigTerm->CorBox, Qt::Key_Down);
            break;
        }
        EXPECT_EQ(ConfigTerm->CorBox->currentIndex(), row.item);
        EXPECT_EQ(FormColor(Quelt).name(), row.colour.name());
        EXPECT_EQ(FormColor(ConfigTerm).name(), row.colour.name());
        EXPECT_EQ(FormColor(FormAjuda).name(), row.colour.name());
        EXPECT_EQ(FormColor(FormSobre).name(), face.name());
        // What the user sees: the window between the command line and the pane, and the
        // status bar, which follows the window.
        EXPECT_EQ(Quelt->centralWidget()->grab().toImage().pixelColor(1, 69).name(),
                  row.colour.name());
        EXPECT_EQ(Quelt->StatusBar1->palette().color(QPalette::Window).name(), row.colour.name());
    }
}

TEST_F(TerminalSettingsTest, HelpWindowOpensInTheChosenColour) {
    PickItem(ConfigTerm->CorBox, 3);
    // Another road to the help window's colour: it takes the main window's on showing.
    SetFormColor(FormAjuda, Qt::black);
    QColor shown;
    WhileShown(FormAjuda, [&] { shown = FormColor(FormAjuda); });
    EXPECT_EQ(shown.name(), QColor(255, 150, 80).name());
}

TEST_F(TerminalSettingsTest, StartSelectionRunsNoHandler) {
    EXPECT_EQ(ConfigTerm->CorBox->currentText(), QStringLiteral(" Padrão"));
    EXPECT_EQ(ConfigTerm->FontBox->currentText(), QStringLiteral(" Arial 12"));
    EXPECT_EQ(ConfigTerm->StringBox->currentText(), QStringLiteral(" 32 Caracteres"));
    EXPECT_FALSE(ConfigTerm->LimpaComandos->isChecked());
    // The command line keeps its design font (a length choice would have set points).
    EXPECT_EQ(Quelt->Edit_Data->font().pixelSize(), 19);
    EXPECT_EQ(Quelt->Memo->font().pixelSize(), 16);
    EXPECT_EQ(FormColor(ConfigTerm).name(), clBtnFace().name());
}

TEST_F(TerminalSettingsTest, FontChoiceSizesTheReceptionPaneOnly) {
    const QString face = Quelt->Memo->font().family();
    const QFont commandLine = Quelt->Edit_Data->font();
    const int points[] = {9, 10, 12, 15, 19};
    for (int item = 0; item < 5; ++item) {
        SCOPED_TRACE(item);
        PickItem(ConfigTerm->FontBox, item);
        EXPECT_EQ(Quelt->Memo->font().pointSize(), points[item]);
        EXPECT_EQ(Quelt->Memo->font().family(), face);
    }
    Type(ConfigTerm->FontBox, QStringLiteral("Arial 40"));
    EXPECT_EQ(Quelt->Memo->font().pointSize(), 19);
    EXPECT_EQ(Quelt->Edit_Data->font(), commandLine);
}

TEST_F(TerminalSettingsTest, LengthChoiceEmptiesTheCommandLineAndLimitsTyping) {
    const struct Row {
        const char* name;
        int item; // -1: type into the field instead
        int maxLength;
        int points; // 0: the design font, untouched
    } rows[] = {
        {"typing first keeps 32 and the font", -1, 32, 0},
        {" 32 Caracteres again sets 16 points", 1, 32, 16},
        {" 64 Caracteres", 2, 64, 12},
        {"typing keeps 64", -1, 64, 12},
        {" 16 Caracteres", 0, 16, 16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Quelt->Edit_Data->setText(QStringLiteral("ABC"));
        if (row.item < 0)
            Type(ConfigTerm->StringBox, QStringLiteral("9"));
        else
            PickItem(ConfigTerm->StringBox, row.item);

        EXPECT_EQ(Quelt->Edit_Data->text(), QString());
        EXPECT_EQ(Quelt->CR->text(), QString::number(row.maxLength));
        EXPECT_EQ(MaxCommandLength, row.maxLength);
        EXPECT_EQ(RemainingChars, row.maxLength);
        if (row.points)
            EXPECT_EQ(Quelt->Edit_Data->font().pointSize(), row.points);
        else
            EXPECT_EQ(Quelt->Edit_Data->font().pixelSize(), 19);

        // The user types one character more than the maximum: the last is refused.
        QTest::mouseClick(Quelt->Edit_Data, Qt::LeftButton);
        QTest::keyClicks(Quelt->Edit_Data, QString(row.maxLength + 1, u'a'));
        EXPECT_EQ(Quelt->Edit_Data->text().size(), row.maxLength);
        EXPECT_EQ(Quelt->CR->text(), QStringLiteral("0"));
    }
}

TEST_F(TerminalSettingsTest, SecondShowingKeepsTheLastChoices) {
    WhileShown(ConfigTerm, [] {
        PickItem(ConfigTerm->CorBox, 2);
        PickItem(ConfigTerm->FontBox, 4);
        PickItem(ConfigTerm->StringBox, 2);
        QTest::mouseClick(ConfigTerm->LimpaComandos, Qt::LeftButton);
    });
    WhileShown(ConfigTerm, [] {
        EXPECT_EQ(ConfigTerm->CorBox->currentText(), QStringLiteral(" Verde"));
        EXPECT_EQ(ConfigTerm->FontBox->currentText(), QStringLiteral(" Arial 19"));
        EXPECT_EQ(ConfigTerm->StringBox->currentText(), QStringLiteral(" 64 Caracteres"));
        EXPECT_TRUE(ConfigTerm->LimpaComandos->isChecked());
    });
    // ...and their effects stay too.
    EXPECT_EQ(FormColor(Quelt).name(), QColor(100, 200, 100).name());
    EXPECT_EQ(Quelt->Memo->font().pointSize(), 19);
    EXPECT_EQ(MaxCommandLength, 64);
}

TEST_F(TerminalSettingsTest, FecharClosesTheDialog) {
    bool closed = false;
    QTimer::singleShot(0, ConfigTerm, [&] {
        WaitUntil([] { return QApplication::activeModalWidget() == ConfigTerm; });
        QTest::mouseClick(ConfigTerm->Button1, Qt::LeftButton);
        closed = !ConfigTerm->isVisible();
    });
    ConfigTerm->ShowModal();
    EXPECT_TRUE(closed);
}

} // namespace
} // namespace tavrin::testing
