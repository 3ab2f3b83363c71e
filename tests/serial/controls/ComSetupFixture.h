#pragma once

// What the setup dialog's tests share: the program's windows, a made-up system whose only
// serial devices are the ones a test adds (COMn links of a private configuration folder,
// USB adapters of a private sysfs tree), and the dialog driven as a user drives it.

#include "AppFixture.h"
#include "serial/controls/CPortSetup.h"
#include "support/TempConfig.h"
#include "support/FakeSystem.h"
#include "support/SocatPair.h"

#include <QTimer>

namespace tavrin::testing {

class ComSetupFixture : public AppFixture {
protected:
    void TearDown() override {
        AppFixture::TearDown();
        for (const std::string& name : comDevices)
            win::virt::VirtualDevice::Unregister(name);
        comDevices.clear();
    }

    // COM<n> as a listed device: a link of the configuration folder, opened as a virtual
    // device of that name.
    std::shared_ptr<win::virt::VirtualDevice> AddCom(int n) {
        const std::string name = "COM" + std::to_string(n);
        config.MapCom(n, "/dev/null");
        comDevices.push_back(name);
        return win::virt::VirtualDevice::Register(name);
    }

    // Chooses `text` in `combo` with the arrow keys, as a user does.
    static void Pick(TComComboBox* combo, const QString& text) {
        const int target = combo->findText(text);
        ASSERT_GE(target, 0) << text.toStdString();
        for (int step = 0; combo->currentIndex() != target && step < 64; ++step)
            QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(combo->currentIndex(), target);
    }

    // Triggers "Porta..." and runs `user` on the dialog once it shows; the dialog is closed
    // after it if `user` left it open. Returns whether a dialog showed.
    bool WithSetupDialog(const std::function<void(TComSetupFrm&)>& user, int waitMs = 5000) {
        bool shown = false;
        QTimer::singleShot(0, Quelt, [&] {
            QWidget* modal = nullptr;
            WaitUntil([&modal] { return (modal = QApplication::activeModalWidget()); }, waitMs);
            auto* form = qobject_cast<TComSetupFrm*>(modal);
            if (form == nullptr)
                return;
            shown = true;
            user(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                form->reject();
            }
        });
        Quelt->ConfiguraPorta1->trigger();
        return shown;
    }

    static std::vector<std::string> Texts(const TComSetupFrm& form) {
        std::vector<std::string> texts;
        for (TComComboBox* combo : form.Combos())
            texts.push_back(combo->Text());
        return texts;
    }

    TempFolder temp;
    TempConfig config{temp.Path() + "/config"};
    FakeSysfs sysfs{temp.Path() + "/sys", true};
    std::vector<std::string> comDevices;
};

} // namespace tavrin::testing
