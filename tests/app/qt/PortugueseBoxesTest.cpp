// The program's real message boxes as a user meets them: Qt's standard buttons speak
// Portuguese whatever the locale, and Escape in the close query is no agreement.

#include "AppFixture.h"

#include "app/qt/QtTranslations.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include <memory>
#include <optional>

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

// Qt's texts as each locale gets them. Qt's pt_PT catalogue lacks the standard buttons:
// those come from the Brazilian one, while the texts pt_PT has stay European.
TEST(QtTranslationsTest, EveryLocaleGetsPortugueseButtons) {
    const auto text = [](const char* context, const char* source) {
        return QCoreApplication::translate(context, source).remove(u'&');
    };
    // A text the European catalogue words in its own way.
    const char* fileDialog = "QFileDialog";
    const char* notFound = "%1\nFile not found.\nPlease verify the correct file name was given.";
    const struct {
        const char* name;
        QLocale locale;
        bool european;
    } rows[] = {
        {"European Portuguese", QLocale(QLocale::Portuguese, QLocale::Portugal), true},
        {"Brazilian Portuguese", QLocale(QLocale::Portuguese, QLocale::Brazil), false},
        {"Portuguese without a catalogue of its own", QLocale(QLocale::Portuguese, QLocale::Angola),
         false},
        {"English", QLocale(QLocale::English, QLocale::UnitedStates), false},
        {"German", QLocale(QLocale::German, QLocale::Germany), false},
        {"C", QLocale::c(), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QtTranslations translations(row.locale);
        ASSERT_TRUE(translations.Installed())
            << "qt6-translations-l10n missing? (scripts/install-deps)";
        EXPECT_EQ(text("QPlatformTheme", "&Yes"), QStringLiteral("Sim"));
        EXPECT_EQ(text("QPlatformTheme", "&No"), QStringLiteral("Não"));
        EXPECT_EQ(text("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
        const QString file = text(fileDialog, notFound);
        EXPECT_EQ(file.contains(QStringLiteral("Ficheiro")), row.european) << file.toStdString();
        EXPECT_NE(file, QString::fromLatin1(notFound).remove(u'&'));
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

// The texts of the context menu a right click on `widget` opens; the menu is closed again.
// Some widgets run their menu in a loop of its own, others only pop it up.
QStringList ContextMenuTexts(QWidget* widget) {
    auto texts = std::make_shared<std::optional<QStringList>>();
    QTimer::singleShot(0, [texts] {
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&menu] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
        QStringList seen;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                seen << action->text().remove(u'&').section(u'\t', 0, 0);
        menu->close();
        *texts = seen;
    });
    const QPoint at(10, 10);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &click);
    EXPECT_TRUE(WaitUntil([texts] { return texts->has_value(); }));
    return texts->value_or(QStringList());
}

// Under a European Portuguese locale, whose Qt catalogue lacks the standard buttons.
TEST_F(PortugueseBoxesTest, MenusAndBoxesSpeakPortugueseUnderEuropeanPortuguese) {
    const QtTranslations translations(QLocale(QLocale::Portuguese, QLocale::Portugal));

    EXPECT_EQ(ContextMenuTexts(Quelt->Memo->viewport()),
              (QStringList{QStringLiteral("Copiar"), QStringLiteral("Selecionar Tudo")}));
    const QStringList commandLine = ContextMenuTexts(Quelt->Edit_Data);
    EXPECT_TRUE(commandLine.contains(QStringLiteral("Copiar")))
        << commandLine.join(u'|').toStdString();
    EXPECT_TRUE(commandLine.contains(QStringLiteral("Colar")))
        << commandLine.join(u'|').toStdString();

    OnNextBox([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(Quelt->close()); // the port is closed: "Deseja sair?"
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Não"), QStringLiteral("Sim")}));
}

} // namespace
} // namespace tavrin::testing
