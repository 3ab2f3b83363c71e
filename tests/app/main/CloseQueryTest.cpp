// Closing the main window: the close query asks, closes an open port when agreed, and an
// error never keeps the program from ending.

#include "AppFixture.h"

#include "base/Exception.h"

namespace tavrin::testing {
namespace {

const QString PortStillOpen =
    QStringLiteral("A porta de comunicação ainda está aberta e será fechada agora.");
const QString WantToLeave = QStringLiteral("Deseja sair?");

class CloseQueryTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ShowMainWindow();
    }
};

struct CloseCase {
    const char* name;
    bool portOpen;
    QMessageBox::StandardButton answer; // NoButton: the box closed by its close box
    bool closes;
};

TEST_F(CloseQueryTest, AsksAndClosesOnlyWhenTheUserAgrees) {
    const CloseCase rows[] = {
        {"port open, OK", true, QMessageBox::Ok, true},
        {"port open, box closed", true, QMessageBox::NoButton, false},
        {"port closed, Yes", false, QMessageBox::Yes, true},
        {"port closed, No", false, QMessageBox::No, false},
        {"port closed, box closed", false, QMessageBox::NoButton, false},
    };
    for (const CloseCase& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        auto device = AttachDevice();
        if (row.portOpen)
            Quelt->AbrirPorta1->trigger();
        answers = {row.answer};

        EXPECT_EQ(Quelt->close(), row.closes);

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.portOpen ? PortStillOpen : WantToLeave);
        EXPECT_EQ(boxes[0].buttons, row.portOpen ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                                 : QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(Quelt->isVisible(), !row.closes);
        // Only an agreed close with the port open closes the port.
        EXPECT_EQ(device->IsOpen(), row.portOpen && !row.closes);
        EXPECT_EQ(Quelt->ComPort->Connected(), row.portOpen && !row.closes);
    }
}

TEST_F(CloseQueryTest, ErrorWhileAskingIsShownAndTheWindowClosesAnyway) {
    app->SetMessageFunction([this](const MessageRequest& request) {
        boxes.push_back(request);
        if (request.kind != QMessageBox::Critical)
            throw Exception("the box could not be shown");
        return QMessageBox::Ok;
    });

    EXPECT_TRUE(Quelt->close());

    EXPECT_EQ(Errors(), std::vector<QString>{QStringLiteral("the box could not be shown")});
    EXPECT_FALSE(Quelt->isVisible());
}

} // namespace
} // namespace tavrin::testing
