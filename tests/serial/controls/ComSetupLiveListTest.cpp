// The setup dialog's device list while the dialog is open: COMn links made and removed in
// the configuration folder show within a second, the choice stays chosen, and a chosen
// device that has gone stays chosen under its name.

#include "ComSetupFixture.h"

#include <unistd.h>

namespace tavrin::testing {
namespace {

class ComSetupLiveListTest : public ComSetupFixture {
protected:
    // The list's texts, in order.
    static QStringList Items(const TComComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

    // Waits (on the dialog's own event loop) until the list reads `expected`.
    static bool ListBecomes(const TComComboBox* combo, const QStringList& expected) {
        // The list has a second to follow a change.
        return WaitUntil([&] { return Items(combo) == expected; }, 1000);
    }

    void RemoveCom(int n) const {
        ASSERT_EQ(::unlink((config.DosDevices() + "/com" + std::to_string(n)).c_str()), 0);
    }
};

TEST_F(ComSetupLiveListTest, ListFollowsTheLinksAndTheChoiceStays) {
    auto com1 = AddCom(1);
    auto com3 = AddCom(3);
    Quelt->ComPort->SetPort("COM1");

    ASSERT_TRUE(WithSetupDialog([&](TComSetupFrm& form) {
        TComComboBox* combo = form.Combo1;
        ASSERT_EQ(Items(combo), (QStringList{"COM1", "COM3"}));
        ASSERT_EQ(combo->Text(), "COM1");

        // A link made while the dialog is open, then removed again.
        auto com2 = AddCom(2);
        EXPECT_TRUE(ListBecomes(combo, {"COM1", "COM2", "COM3"}))
            << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->Text(), "COM1");
        RemoveCom(2);
        EXPECT_TRUE(ListBecomes(combo, {"COM1", "COM3"})) << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->Text(), "COM1");

        // The user's choice goes away: it stays chosen, shown as its name, and comes back
        // as a device when its link does.
        Pick(combo, QStringLiteral("COM3"));
        RemoveCom(3);
        RemoveCom(1);
        EXPECT_TRUE(ListBecomes(combo, {"COM3"})) << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->Text(), "COM3");
        config.MapCom(1, "/dev/null");
        EXPECT_TRUE(ListBecomes(combo, {"COM1", "COM3"})) << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->Text(), "COM3");
        config.MapCom(3, "/dev/null");
        config.MapCom(2, "/dev/null");
        EXPECT_TRUE(ListBecomes(combo, {"COM1", "COM2", "COM3"}))
            << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->Text(), "COM3");

        QTest::mouseClick(form.Button1, Qt::LeftButton);
    }));
    EXPECT_EQ(Quelt->ComPort->Port(), "COM3") << "the pick survived the changes";
    EXPECT_TRUE(Errors().empty());
}

// A port name the list lacks shows no selection when the dialog opens; the list still
// follows, and the missing name does not creep in.
TEST_F(ComSetupLiveListTest, NoSelectionStaysNoSelection) {
    auto com1 = AddCom(1);
    Quelt->ComPort->SetPort("COM7");

    ASSERT_TRUE(WithSetupDialog([&](TComSetupFrm& form) {
        TComComboBox* combo = form.Combo1;
        ASSERT_EQ(combo->currentIndex(), -1);
        auto com2 = AddCom(2);
        EXPECT_TRUE(ListBecomes(combo, {"COM1", "COM2"})) << Items(combo).join(u' ').toStdString();
        EXPECT_EQ(combo->currentIndex(), -1);
        form.reject();
    }));
    EXPECT_EQ(Quelt->ComPort->Port(), "COM7");
}

} // namespace
} // namespace tavrin::testing
