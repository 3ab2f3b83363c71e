// The command line: what it accepts, the counter and the CAPS and SPACE panels that each
// key release refreshes, clear all, and the character codes the send path uses.

#include "TransferFixture.h"

#include <QClipboard>
#include <QKeyEvent>

namespace tavrin::testing {
namespace {

class CommandLineTest : public TransferFixture {
protected:
    void SetUp() override {
        TransferFixture::SetUp();
        ShowMainWindow();
        Quelt->Edit_Data->setFocus(Qt::MouseFocusReason);
    }
    static QString Panel(int index) { return Quelt->StatusBar1->PanelText(index); }
    static void Type(const QString& text) { QTest::keyClicks(Quelt->Edit_Data, text); }
    static void TypeKey(Qt::Key key) { QTest::keyClick(Quelt->Edit_Data, key); }
    // A key press that produces `text`, whatever keyboard could type it.
    static void TypeText(const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(Quelt->Edit_Data, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(Quelt->Edit_Data, &release);
    }
};

TEST_F(CommandLineTest, KeyReleaseShowsTheCounterAndTheSpacePanel) {
    Type(QStringLiteral("ab c"));
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("28"));
    EXPECT_EQ(RemainingChars, 28);
    EXPECT_EQ(Panel(2), QStringLiteral(" SPACE"));

    TypeKey(Qt::Key_Left);
    TypeKey(Qt::Key_Backspace); // the space goes
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("abc"));
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("29"));
    EXPECT_EQ(Panel(2), QStringLiteral(" "));

    TypeKey(Qt::Key_Shift); // any key counts, also one that changes nothing
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("29"));
}

TEST_F(CommandLineTest, TextPutInWithoutAKeyWaitsForTheNextRelease) {
    Quelt->Edit_Data->insert(QStringLiteral("a b"));
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("32"));
    EXPECT_EQ(Panel(2), QString());

    TypeKey(Qt::Key_End);
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("29"));
    EXPECT_EQ(Panel(2), QStringLiteral(" SPACE"));
}

TEST_F(CommandLineTest, CapsPanelFollowsCapsLockAtEachKeyRelease) {
    bool capsLock = true;
    SetCapsLockSource([&] { return capsLock; });
    Type(QStringLiteral("A"));
    EXPECT_EQ(Panel(1), QStringLiteral(" CAPS"));

    capsLock = false;
    EXPECT_EQ(Panel(1), QStringLiteral(" CAPS")) << "changes only at a key release";
    TypeKey(Qt::Key_Right);
    EXPECT_EQ(Panel(1), QStringLiteral(" "));
}

TEST_F(CommandLineTest, CapsLockReadsOffWithoutADisplay) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_FALSE(CapsLockToggled());
    Type(QStringLiteral("x"));
    EXPECT_EQ(Panel(1), QStringLiteral(" "));
}

TEST_F(CommandLineTest, ClearAllEmptiesCommandLineAndPaneWhetherOpenOrNot) {
    for (bool open : {false, true}) {
        for (bool picture : {true, false}) {
            SCOPED_TRACE(std::string(picture ? "BitBtn2" : "Button1") +
                         (open ? ", open" : ", closed"));
            Restart();
            QPushButton* button = picture ? Quelt->BitBtn2 : Quelt->Button1;
            ShowMainWindow();
            Quelt->Edit_Data->setFocus(Qt::MouseFocusReason);
            if (open) {
                OpenPort();
                Receive("answer");
            } else {
                Quelt->Memo->setPlainText(QStringLiteral("answer"));
            }
            SetCapsLockSource([] { return true; });
            Type(QStringLiteral("a b"));
            ASSERT_EQ(Panel(2), QStringLiteral(" SPACE"));

            button->click();

            EXPECT_EQ(PaneText(), QString());
            EXPECT_EQ(Quelt->Edit_Data->text(), QString());
            EXPECT_EQ(Quelt->CR->text(), QStringLiteral("32"));
            EXPECT_EQ(RemainingChars, MaxCommandLength);
            EXPECT_EQ(Panel(2), QStringLiteral(" "));
            EXPECT_EQ(Panel(1), QStringLiteral(" CAPS")) << "clear all leaves Caps Lock alone";
            EXPECT_EQ(Quelt->ComPort->Connected(), open);
        }
    }
}

TEST_F(CommandLineTest, TakesOnlyCharactersWindows1252Has) {
    TypeText(QStringLiteral("é"));
    TypeText(QStringLiteral("€"));
    TypeText(QStringLiteral("Ω")); // Greek: no Windows-1252 byte
    TypeText(QStringLiteral("☺"));
    TypeText(QStringLiteral("\U0001F600")); // outside the basic plane
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("é€"));

    QGuiApplication::clipboard()->setText(QStringLiteral("Olá ☺"));
    Quelt->Edit_Data->paste();
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("é€")) << "a paste is taken whole or not";
    QGuiApplication::clipboard()->setText(QStringLiteral(" ação"));
    Quelt->Edit_Data->paste();
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("é€ ação"));
}

TEST_F(CommandLineTest, MaxLengthLimitsTypingAndPasting) {
    const QString full(32, u'a');
    QGuiApplication::clipboard()->setText(full + QStringLiteral("bcd"));
    Quelt->Edit_Data->paste();
    EXPECT_EQ(Quelt->Edit_Data->text(), full);

    Type(QStringLiteral("z"));
    EXPECT_EQ(Quelt->Edit_Data->text(), full);
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("0"));
}

TEST_F(CommandLineTest, CharCodeOfAText) {
    const struct Row {
        std::string text;
        int code;
    } rows[] = {
        {"", 0},        {"A", 65},  {"ab", 97},    {"#", 35},           {"\xFF", 0xFF},
        {"#65", 65},    {"#0", 0},  {"#x", 0},     {"#", 35},           {"#300", 300 & 0xFF},
        {"#$41", 0x41}, {"# 7", 7}, {"#-1", 0xFF}, {"#99999999999", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(static_cast<std::uint8_t>(TQuelt::CharCode(row.text)), row.code);
    }
}

} // namespace
} // namespace tavrin::testing
