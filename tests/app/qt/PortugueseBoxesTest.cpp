// The program's real message boxes as a user meets them: Qt's standard buttons speak
// Portuguese whatever the locale, and Escape in the close query is no agreement.

#include "AppFixture.h"

#include "app/qt/QtTranslations.h"

#include <QAbstractButton>
#include <QTimer>

namespace tavrin::testing {
namespace {

class PortugueseBoxesTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        app->SetMessageFunction({}); // the real boxes
        ShowMainWindow();
    }

    // Acts on the next box once it is up and keeps the texts of its buttons.
    void OnNextBox(std::function<void(QMessageBox*)> gesture) {
        QTimer::singleShot(0, [this, gesture] {
            QMessageBox* box = nullptr;
            ASSERT_TRUE(WaitUntil([&box] {
                return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            }));
            for (QAbstractButton* button : box->buttons())
                buttons << button->text().remove(u'&');
            buttons.sort();
            gesture(box);
        });
    }

    QStringList buttons;
};

TEST_F(PortugueseBoxesTest, StandardButtonsSpeakPortuguese) {
    // Whatever the locale of the test run (C or English on build machines).
    const QtTranslations translations;
    ASSERT_TRUE(translations.Installed())
        << "qt6-translations-l10n missing? (scripts/install-deps)";

    OnNextBox([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(Quelt->close()); // the port is closed: "Deseja sair?"
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Não"), QStringLiteral("Sim")}));
}

// European Portuguese: Qt's catalogue for it lacks the standard buttons, which then come
// from the Brazilian one instead of falling back to English.
TEST_F(PortugueseBoxesTest, StandardButtonsSpeakPortugueseUnderEveryPortugueseLocale) {
    for (const char* name : {"pt_PT", "pt_BR", "pt_AO", "de_DE"}) {
        SCOPED_TRACE(name);
        const QtTranslations translations{QLocale(QString::fromLatin1(name))};
        ASSERT_TRUE(translations.Installed());
        buttons.clear();
        OnNextBox([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
        EXPECT_FALSE(Quelt->close());
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("Não"), QStringLiteral("Sim")}));
    }
}

TEST_F(PortugueseBoxesTest, EscapeInTheCloseQueryKeepsTheProgramAndThePort) {
    auto device = AttachDevice();
    Quelt->AbrirPorta1->trigger();
    ASSERT_TRUE(Quelt->ComPort->Connected());

    OnNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(Quelt->close());
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(Quelt->isVisible());
    EXPECT_TRUE(Quelt->ComPort->Connected());
    EXPECT_TRUE(device->IsOpen());

    buttons.clear();
    OnNextBox([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    EXPECT_TRUE(Quelt->close());
    EXPECT_FALSE(device->IsOpen());
}

} // namespace
} // namespace tavrin::testing
