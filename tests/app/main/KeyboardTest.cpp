// The keyboard in the main window: the tab order runs through the hidden buttons, the
// space bar presses the focused button, Enter reaches the default button Button_Send
// (from the command line too) unless a focused button takes it, and the controls that are
// not tab stops take the focus only by a click.

#include "AppFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace tavrin::testing {
namespace {

class KeyboardTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Press(Qt::Key key) {
        QTest::keyClick(Focus(), key);
        QCoreApplication::processEvents();
    }
};

TEST_F(KeyboardTest, TabRunsThroughTheTabStopsOnly) {
    ASSERT_EQ(Focus(), Quelt->Button_Send);
    std::vector<QWidget*> order{Focus()};
    for (int i = 0; i < 5; ++i) {
        Press(Qt::Key_Tab);
        order.push_back(Focus());
    }
    const std::vector<QWidget*> expected{Quelt->Button_Send, Quelt->Button1, Quelt->Bt_Store,
                                         Quelt->Bt_Load,     Quelt->BitBtn1, Quelt->Button_Send};
    EXPECT_EQ(order, expected);
}

TEST_F(KeyboardTest, SpacePressesTheFocusedButton) {
    for (QPushButton* button :
         {Quelt->Button_Send, Quelt->Button1, Quelt->Bt_Store, Quelt->Bt_Load, Quelt->BitBtn1}) {
        SCOPED_TRACE(button->objectName().toStdString());
        button->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(Focus(), button);
        QSignalSpy clicks(button, &QPushButton::clicked);
        Press(Qt::Key_Space);
        EXPECT_EQ(clicks.count(), 1);
    }
}

TEST_F(KeyboardTest, EnterReachesTheDefaultButtonUnlessAButtonHasTheFocus) {
    struct Row {
        const char* name;
        QWidget* focus;
        QPushButton* pressed;
    } rows[] = {
        {"focus at start", Quelt->Button_Send, Quelt->Button_Send},
        {"command line", Quelt->Edit_Data, Quelt->Button_Send},
        {"line-break box", Quelt->nova_linha, Quelt->Button_Send},
        {"reception pane", Quelt->Memo, Quelt->Button_Send},
        {"clear-all button", Quelt->Button1, Quelt->Button1},
        {"picture clear button", Quelt->BitBtn2, Quelt->BitBtn2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.focus->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(Focus(), row.focus);
        QSignalSpy sends(Quelt->Button_Send, &QPushButton::clicked);
        QSignalSpy pressed(row.pressed, &QPushButton::clicked);
        QSignalSpy pictureSends(Quelt->BitBtn1, &QPushButton::clicked);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            Press(key);
        EXPECT_EQ(pressed.count(), 2);
        if (row.pressed != Quelt->Button_Send) {
            EXPECT_EQ(sends.count(), 0);
        }
        EXPECT_EQ(pictureSends.count(), 0) << "one default button takes Enter, not both";
    }
}

TEST_F(KeyboardTest, ControlsOffTheTabOrderTakeTheFocusByAClick) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             Quelt->Edit_Data, Quelt->Memo->viewport(), Quelt->CR, Quelt->BitBtn2}) {
        SCOPED_TRACE(control->objectName().toStdString());
        Quelt->Button_Send->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        QWidget* expected = control == Quelt->Memo->viewport() ? Quelt->Memo : control;
        EXPECT_EQ(Focus(), expected);
    }
}

TEST_F(KeyboardTest, LettersTypedAtStartGoNowhere) {
    QTest::keyClicks(Focus(), QStringLiteral("abc"));
    EXPECT_EQ(Quelt->Edit_Data->text(), QString());
    EXPECT_EQ(Focus(), Quelt->Button_Send);
}

} // namespace
} // namespace tavrin::testing
