// The main window through Qt's accessibility interface, as a screen reader reads it: every
// control has a name and a description, the lamps say whether they are lit, and the
// command line and the reception pane are reached and read from the keyboard.

#include "AppFixture.h"

#include "app/main/MainWindowAccessibility.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace tavrin::testing {
namespace {

class AccessibilityTest : public AppFixture {
protected:
    static QString Text(QObject* object, QAccessible::Text kind) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
        return accessible ? accessible->text(kind) : QStringLiteral("<no interface>");
    }
    // The window's controls: everything its layout names, and the panels of the status bar.
    static std::vector<QWidget*> Controls() {
        std::vector<QWidget*> controls{Quelt};
        for (QWidget* child : Quelt->findChildren<QWidget*>()) {
            if (!child->objectName().isEmpty() && !child->objectName().startsWith("qt_"))
                controls.push_back(child);
        }
        for (int i = 0; i < Quelt->StatusBar1->PanelCount(); ++i)
            controls.push_back(Quelt->StatusBar1->Panel(i));
        return controls;
    }
};

TEST_F(AccessibilityTest, EveryControlHasANameAndADescription) {
    ShowMainWindow();
    const std::vector<QWidget*> controls = Controls();
    ASSERT_GE(controls.size(), 30u);
    for (QWidget* control : controls) {
        SCOPED_TRACE(control->objectName().toStdString() + " " +
                     control->metaObject()->className());
        EXPECT_FALSE(Text(control, QAccessible::Name).trimmed().isEmpty());
        EXPECT_FALSE(Text(control, QAccessible::Description).trimmed().isEmpty());
    }
    // Menu items are read from their menu, by their text.
    for (QMenu* menu : Quelt->MainMenu1->findChildren<QMenu*>()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
        ASSERT_NE(accessible, nullptr);
        for (int i = 0; i < accessible->childCount(); ++i) {
            QAccessibleInterface* item = accessible->child(i);
            if (item->role() == QAccessible::Separator)
                continue;
            SCOPED_TRACE(item->text(QAccessible::Name).toStdString());
            EXPECT_FALSE(item->text(QAccessible::Name).isEmpty());
        }
    }
}

TEST_F(AccessibilityTest, LampsSayWhetherTheyAreLitAsTheyChange) {
    auto device = AttachDevice();
    const auto names = [] {
        return QStringList{Text(Quelt->ComLed2, QAccessible::Name),
                           Text(Quelt->ComLed1, QAccessible::Name)};
    };
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Status da Porta: apagada"),
                                    QStringLiteral("Detecção de Hardware: apagada")}));

    Quelt->AbrirPorta1->trigger();
    device->SetDSR(true);
    ASSERT_TRUE(WaitUntil([] { return Quelt->ComLed1->State() == lsOn; }));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Status da Porta: acesa"),
                                    QStringLiteral("Detecção de Hardware: acesa")}));

    Quelt->FecharPorta1->trigger();
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Status da Porta: apagada"),
                                    QStringLiteral("Detecção de Hardware: apagada")}));
}

// Neither the command line nor the reception pane is a tab stop; each has a key of its own,
// and the pane's caret walks the received text so a screen reader can read it line by line.
TEST_F(AccessibilityTest, CommandLineAndReceptionPaneAreReachedAndReadFromTheKeyboard) {
    ShowMainWindow();
    Quelt->Memo->setPlainText(QStringLiteral("OK\nPRONTO"));

    QTest::keySequence(Quelt, QKeySequence(QString::fromLatin1(ReceptionPaneKey)));
    ASSERT_EQ(QApplication::focusWidget(), Quelt->Memo);
    Quelt->Memo->moveCursor(QTextCursor::Start);
    QTest::keyClick(Quelt->Memo, Qt::Key_Down);
    EXPECT_EQ(Quelt->Memo->cursorLine(), 1) << "the caret moves by keys";
    EXPECT_TRUE(Quelt->Memo->isReadOnly());
    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(Quelt->Memo);
    ASSERT_NE(pane, nullptr);
    ASSERT_NE(pane->textInterface(), nullptr);
    EXPECT_EQ(pane->textInterface()->text(0, pane->textInterface()->characterCount()),
              QStringLiteral("OK\nPRONTO"));

    QTest::keySequence(Quelt, QKeySequence(QString::fromLatin1(CommandLineKey)));
    EXPECT_EQ(QApplication::focusWidget(), Quelt->Edit_Data);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("HELP"));
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("HELP"));
}

} // namespace
} // namespace tavrin::testing
