// The bound combo box on its own: the list each property gives, the port's value shown,
// the user's pick held back or applied at once, Text, and the port going away.

#include "ComSetupFixture.h"

namespace tavrin::testing {
namespace {

class ComComboBoxTest : public ComSetupFixture {
protected:
    static std::vector<std::string> Items(const TComComboBox& combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo.count(); ++i)
            items.push_back(combo.itemText(i).toStdString());
        return items;
    }
};

TEST_F(ComComboBoxTest, EachPropertyListsItsValuesAndSelectsTheFirstWithoutAPort) {
    AddCom(2);
    AddCom(10);
    AddCom(1);
    const struct Row {
        TComProperty property;
        std::vector<std::string> items;
    } rows[] = {
        {cpNone, {}},
        {cpPort, {"COM1", "COM10", "COM2"}},
        {cpBaudRate,
         {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
          "56000", "57600", "115200", "128000", "256000"}},
        {cpDataBits, {"5", "6", "7", "8"}},
        {cpStopBits, {"1", "1.5", "2"}},
        {cpParity, {"None", "Odd", "Even", "Mark", "Space"}},
        {cpFlowControl, {"Hardware", "Software", "None", "Custom"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.property));
        TComComboBox combo;
        combo.SetComProperty(row.property);
        EXPECT_EQ(Items(combo), row.items);
        EXPECT_EQ(combo.currentIndex(), row.items.empty() ? -1 : 0);
        EXPECT_FALSE(combo.isEditable());
    }
}

TEST_F(ComComboBoxTest, BindingShowsThePortsValueOrNothingWhenTheListLacksIt) {
    AddCom(1);
    AddCom(2);
    TComPort port;
    port.SetPort("com2"); // letter case does not matter
    port.SetBaudRate(br115200);
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbTwoStopBits);
    port.Parity().SetBits(prOdd);
    port.FlowControl().SetFlowControl(fcSoftware);
    const struct Row {
        TComProperty property;
        std::string shown;
    } rows[] = {
        {cpPort, "COM2"},  {cpBaudRate, "115200"}, {cpDataBits, "7"},
        {cpStopBits, "2"}, {cpParity, "Odd"},      {cpFlowControl, "Software"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shown);
        TComComboBox combo;
        combo.SetComProperty(row.property);
        combo.SetComPort(&port);
        EXPECT_EQ(combo.Text(), row.shown);
        // The property written again re-reads the port.
        combo.setCurrentIndex(0);
        combo.SetComProperty(row.property);
        EXPECT_EQ(combo.Text(), row.shown);
    }
    EXPECT_EQ(TComComboBox().ComPort(), nullptr);

    TComComboBox names;
    names.SetComProperty(cpPort);
    port.SetPort("COM9");
    names.SetComPort(&port);
    EXPECT_EQ(names.currentIndex(), -1);
    EXPECT_EQ(names.Text(), "");
    EXPECT_EQ(names.Select().PendingPort(), "") << "nothing found, nothing taken";
    names.SetComPort(nullptr);
    EXPECT_EQ(names.currentIndex(), -1) << "unbinding keeps the selection";
}

TEST_F(ComComboBoxTest, WritingTextSelectsTheMatchingItemWithoutLetterCase) {
    TComComboBox combo;
    combo.SetComProperty(cpParity);
    combo.SetText("none");
    EXPECT_EQ(combo.Text(), "None");
    combo.SetText("mARK");
    EXPECT_EQ(combo.Text(), "Mark");
    combo.SetText("Marks");
    EXPECT_EQ(combo.Text(), "Mark") << "no item of that text: the selection stays";
    combo.setCurrentIndex(-1);
    EXPECT_EQ(combo.Text(), "");
}

TEST_F(ComComboBoxTest, APickWaitsForApplyUnlessAutoApplyIsOn) {
    for (bool autoApply : {false, true}) {
        SCOPED_TRACE(autoApply);
        TComPort port;
        TComComboBox combo;
        combo.SetComProperty(cpBaudRate);
        combo.SetComPort(&port);
        combo.SetAutoApply(autoApply);
        int changes = 0;
        combo.OnChange = [&](TObject* Sender) {
            EXPECT_EQ(Sender, static_cast<TObject*>(&combo));
            // The pick is already taken when OnChange fires.
            EXPECT_EQ(combo.Select().PendingBaudRate(), TextToBaudRate(combo.Text()));
            ++changes;
        };
        Pick(&combo, "19200");
        EXPECT_EQ(changes, 2) << "two steps down from 9600";
        EXPECT_EQ(port.BaudRate(), autoApply ? br19200 : br9600);
        combo.ApplyToPort();
        EXPECT_EQ(port.BaudRate(), br19200);
    }
}

TEST_F(ComComboBoxTest, ThePortGoingAwayUnbindsAndSelectsTheFirstItem) {
    auto port = std::make_unique<TComPort>();
    auto other = std::make_unique<TComPort>();
    other->Parity().SetBits(prSpace);
    TComComboBox parity;
    TComComboBox moved;
    parity.SetComProperty(cpParity);
    moved.SetComProperty(cpParity);
    parity.SetComPort(port.get());
    moved.SetComPort(port.get());
    moved.SetComPort(other.get());
    Pick(&parity, "Even");

    port.reset();
    EXPECT_EQ(parity.ComPort(), nullptr);
    EXPECT_EQ(parity.Text(), "None");
    EXPECT_EQ(parity.Select().PendingParity(), prEven) << "the pending value stays";
    parity.ApplyToPort(); // nothing to write to
    EXPECT_EQ(moved.ComPort(), other.get()) << "a port left earlier does not unbind it";
    EXPECT_EQ(moved.Text(), "Space");
}

} // namespace
} // namespace tavrin::testing
