// The real message boxes, answered the way a user does: a button, Escape, or the close
// box. The close query depends on telling "OK" from "closed".

#include "AppFixture.h"

#include "base/Application.h"
#include "serial/CPort.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tavrin::testing {
namespace {

enum class Gesture { ClickYes, ClickNo, ClickOk, Escape, CloseBox };

// Acts on the next modal box once it is up; the box's caption and text are kept.
struct BoxUser {
    explicit BoxUser(Gesture g) : gesture(g) {}
    Gesture gesture;
    QString caption;
    QString text;
    bool acted = false;

    void ActOnNextBox() {
        QTimer::singleShot(0, [this] {
            QMessageBox* box = nullptr;
            ASSERT_TRUE(WaitUntil([&box] {
                box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                return box != nullptr;
            }));
            caption = box->windowTitle();
            text = box->text();
            acted = true;
            switch (gesture) {
            case Gesture::ClickYes:
                box->button(QMessageBox::Yes)->click();
                break;
            case Gesture::ClickNo:
                box->button(QMessageBox::No)->click();
                break;
            case Gesture::ClickOk:
                box->button(QMessageBox::Ok)->click();
                break;
            case Gesture::Escape:
                QTest::keyClick(box, Qt::Key_Escape);
                break;
            case Gesture::CloseBox:
                box->close();
                break;
            }
        });
    }
};

struct BoxCase {
    const char* name;
    QMessageBox::StandardButtons buttons;
    Gesture gesture;
    QMessageBox::StandardButton answer;
};

TEST(MessageBoxTest, AnswerTellsTheButtonFromTheCloseBox) {
    const BoxCase rows[] = {
        {"OK clicked", QMessageBox::Ok, Gesture::ClickOk, QMessageBox::Ok},
        {"OK box, Escape", QMessageBox::Ok, Gesture::Escape, QMessageBox::NoButton},
        {"OK box closed", QMessageBox::Ok, Gesture::CloseBox, QMessageBox::NoButton},
        {"Yes clicked", QMessageBox::Yes | QMessageBox::No, Gesture::ClickYes, QMessageBox::Yes},
        {"No clicked", QMessageBox::Yes | QMessageBox::No, Gesture::ClickNo, QMessageBox::No},
        {"Yes/No, Escape", QMessageBox::Yes | QMessageBox::No, Gesture::Escape, QMessageBox::No},
        {"Yes/No closed", QMessageBox::Yes | QMessageBox::No, Gesture::CloseBox,
         QMessageBox::NoButton},
    };
    for (const BoxCase& row : rows) {
        SCOPED_TRACE(row.name);
        BoxUser user{row.gesture};
        user.ActOnNextBox();
        const auto answer = ExecMessageBox({QMessageBox::Question, QStringLiteral("Confirmação"),
                                            QStringLiteral("Deseja sair?"), row.buttons});
        EXPECT_TRUE(user.acted);
        EXPECT_EQ(answer, row.answer);
        EXPECT_EQ(user.text, QStringLiteral("Deseja sair?"));
    }
}

TEST(MessageBoxTest, DefaultErrorHandlingShowsTheEngineMessageCaptionedWithTheTitle) {
    QtApplication app;
    app.SetTitle(ProgramTitle);
    BoxUser user{Gesture::ClickOk};
    user.ActOnNextBox();

    Application::Instance().HandleException(EComPort(CError_OpenFailed, 2));

    EXPECT_TRUE(user.acted);
    EXPECT_EQ(user.caption, ProgramTitle);
    EXPECT_EQ(user.text, QStringLiteral("Porta Com não disponível (win error code: 2)"));
}

} // namespace
} // namespace tavrin::testing
