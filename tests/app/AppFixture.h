#pragma once

// What the main window's tests share: a fresh application object with the program's four
// windows, message boxes answered by the test and recorded, a virtual serial device for
// the port, and waiting on conditions with a deadline.

#include "QtPrinters.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/QtApplication.h"
#include "app/windows/UnitAjuda.h"
#include "app/windows/UnitConfigTerm.h"
#include "app/windows/UnitSobre.h"
#include "platform/virtual/VirtualDevice.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrin::testing {

inline const QString ProgramTitle = QStringLiteral("Tavrin 1.0 - Comunicação Serial");

// Blocks on the event loop until `condition` holds or `deadline` passes; true if it held.
inline bool WaitUntil(const std::function<bool()>& condition, int deadlineMs = 5000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(deadline.remainingTime()));
    }
    return true;
}

// Moves the mouse away from where any window of the program lies, as when the program
// starts with the mouse elsewhere; the tests share one mouse.
inline void ParkMouse() {
    QWidget elsewhere;
    elsewhere.setGeometry(1000, 900, 20, 20);
    elsewhere.show();
    QTest::mouseMove(&elsewhere, QPoint(10, 10));
    QCoreApplication::processEvents();
}

// The module-level state as a fresh run has it: the tests share one process.
inline void ResetModuleState() {
    PortOpen = false;
    HardwareDetected = false;
    PacingElapsed = false;
    MaxCommandLength = 32;
    RemainingChars = 32;
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ParkMouse();
        ResetModuleState();
        app = std::make_unique<QtApplication>();
        app->SetTitle(ProgramTitle);
        app->SetMessageFunction([this](const MessageRequest& request) {
            boxes.push_back(request);
            if (answers.empty())
                return QMessageBox::NoButton;
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
        app->CreateForm(Quelt);
        app->CreateForm(FormAjuda);
        app->CreateForm(FormSobre);
        app->CreateForm(ConfigTerm);
    }

    void TearDown() override {
        app.reset();
        for (const std::string& name : devices)
            win::virt::VirtualDevice::Unregister(name);
    }

    // A fresh program, for tables whose rows each need one.
    void Restart() {
        TearDown();
        boxes.clear();
        answers.clear();
        devices.clear();
        SetUp();
    }

    // A virtual device the main window's port is pointed at.
    std::shared_ptr<win::virt::VirtualDevice> AttachDevice(const std::string& name = "TAVRINV1") {
        auto device = win::virt::VirtualDevice::Register(name);
        devices.push_back(name);
        Quelt->ComPort->SetPort(name);
        return device;
    }

    // The window as the user sees it: shown and active, so focus and mouse work.
    void ShowMainWindow() {
        Quelt->show();
        Quelt->activateWindow();
        ASSERT_TRUE(WaitUntil([] { return Quelt->isActiveWindow(); }));
    }

    // The boxes of the errors shown by the default error handling.
    std::vector<QString> Errors() const {
        std::vector<QString> texts;
        for (const MessageRequest& box : boxes)
            if (box.kind == QMessageBox::Critical)
                texts.push_back(box.text);
        return texts;
    }

    bool MenuSaysOpen() const {
        return !Quelt->AbrirPorta1->isEnabled() && Quelt->FecharPorta1->isEnabled();
    }
    bool MenuSaysClosed() const {
        return Quelt->AbrirPorta1->isEnabled() && !Quelt->FecharPorta1->isEnabled();
    }

    std::unique_ptr<QtApplication> app;
    std::vector<MessageRequest> boxes;
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<std::string> devices;
};

} // namespace tavrin::testing
