// The "Conexão" menu: opening and closing the port through a virtual device, and what each
// command leaves alone.

#include "AppFixture.h"

namespace tavrin::testing {
namespace {

using win::virt::Call;

class ConnectionMenuTest : public AppFixture {
protected:
    void TypeCommand(const QString& text) {
        Quelt->Edit_Data->setText(text);
        RemainingChars = MaxCommandLength - static_cast<std::int32_t>(text.size());
    }
    int Opens(const win::virt::VirtualDevice& device) const {
        int count = 0;
        for (Call call : device.Calls())
            count += call == Call::CreateFile;
        return count;
    }
};

TEST_F(ConnectionMenuTest, OpenClearsThePaneKeepsTheCommandLineAndSwitchesTheMenu) {
    auto device = AttachDevice();
    Quelt->Memo->setPlainText(QStringLiteral("answer of an earlier session"));
    TypeCommand(QStringLiteral("AB"));
    Quelt->CR->setText(QStringLiteral("stale"));

    Quelt->AbrirPorta1->trigger();

    EXPECT_TRUE(device->IsOpen());
    EXPECT_TRUE(Quelt->ComPort->Connected());
    EXPECT_TRUE(PortOpen);
    EXPECT_TRUE(MenuSaysOpen());
    EXPECT_EQ(Quelt->Memo->toPlainText(), QString());
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("AB"));
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("30"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ConnectionMenuTest, CloseKeepsPaneAndCommandLineAndSwitchesTheMenuBack) {
    auto device = AttachDevice();
    Quelt->AbrirPorta1->trigger();
    Quelt->Memo->setPlainText(QStringLiteral("OK"));
    TypeCommand(QStringLiteral("X"));

    Quelt->FecharPorta1->trigger();

    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(Quelt->ComPort->Connected());
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
    EXPECT_EQ(Quelt->Memo->toPlainText(), QStringLiteral("OK"));
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("X"));
    EXPECT_TRUE(boxes.empty());
}

// The menu follows PortOpen, not the port: when the port changed state by another road,
// the command that finds the port already as it wants it does nothing at all.
TEST_F(ConnectionMenuTest, OpenOnAPortAlreadyOpenChangesNothing) {
    auto device = AttachDevice();
    Quelt->ComPort->OpenPort();
    Quelt->Memo->setPlainText(QStringLiteral("keep me"));

    Quelt->AbrirPorta1->trigger();

    EXPECT_EQ(Opens(*device), 1);
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
    EXPECT_EQ(Quelt->Memo->toPlainText(), QStringLiteral("keep me"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ConnectionMenuTest, CloseOnAPortAlreadyClosedChangesNothing) {
    auto device = AttachDevice();
    Quelt->AbrirPorta1->trigger();
    Quelt->ComPort->ClosePort();

    Quelt->FecharPorta1->trigger();

    EXPECT_TRUE(PortOpen);
    EXPECT_TRUE(MenuSaysOpen());
    EXPECT_TRUE(boxes.empty());
}

struct OpenFailure {
    const char* name;
    std::function<std::shared_ptr<TComPort>(win::virt::VirtualDevice&, const std::string&)>
        prepare; // returns whatever must stay alive while the window tries
    const char* message;
};

TEST_F(ConnectionMenuTest, PortThatCannotBeOpenedShowsTheErrorAndLeavesAllAsItWas) {
    const OpenFailure rows[] = {
        {"missing device",
         [](win::virt::VirtualDevice& device, const std::string&) {
             device.Unplug();
             return std::shared_ptr<TComPort>();
         },
         "Porta Com não disponível (win error code: 2)"},
        {"device held by another port",
         [](win::virt::VirtualDevice&, const std::string& name) {
             auto other = std::make_shared<TComPort>();
             other->SetPort(name);
             other->OpenPort();
             return other;
         },
         "Porta Com não disponível (win error code: 5)"},
    };
    for (const OpenFailure& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        auto device = AttachDevice();
        auto holder = row.prepare(*device, Quelt->ComPort->Port());
        Quelt->Memo->setPlainText(QStringLiteral("untouched"));

        Quelt->AbrirPorta1->trigger();

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].caption, ProgramTitle);
        EXPECT_EQ(boxes[0].text, QString::fromUtf8(row.message));
        EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_FALSE(Quelt->ComPort->Connected());
        EXPECT_FALSE(PortOpen);
        EXPECT_TRUE(MenuSaysClosed());
        EXPECT_EQ(Quelt->Memo->toPlainText(), QStringLiteral("untouched"));
    }
}

TEST_F(ConnectionMenuTest, WindowWorksOnAfterAFailedOpen) {
    auto device = AttachDevice();
    device->Unplug();
    Quelt->AbrirPorta1->trigger();
    ASSERT_EQ(Errors().size(), 1u);

    device->Replug();
    Quelt->AbrirPorta1->trigger();

    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(device->IsOpen());
    EXPECT_TRUE(PortOpen);
    EXPECT_TRUE(MenuSaysOpen());
}

} // namespace
} // namespace tavrin::testing
