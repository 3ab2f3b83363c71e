#pragma once

// What the send and receive tests share: the main window's port open on a virtual device
// through the menu, the bytes that reached the line, and the pane's text as it holds it.

#include "AppFixture.h"

#include "app/main/ReceptionPane.h"
#include "app/qt/CapsLock.h"

#include <QTimer>

#include <chrono>
#include <memory>

#include <string>

namespace tavrin::testing {

class TransferFixture : public AppFixture {
protected:
    void TearDown() override {
        SetCapsLockSource(nullptr);
        AppFixture::TearDown();
    }

    // Opens the port from the menu on a device that asserts DSR or not.
    void OpenPort(bool dsr = true) {
        device = AttachDevice();
        device->SetDSR(dsr);
        Quelt->AbrirPorta1->trigger();
        ASSERT_TRUE(PortOpen);
        ASSERT_EQ(HardwareDetected, dsr);
    }

    void Send(const QString& command) {
        Quelt->Edit_Data->setText(command);
        Quelt->Button_Send->click();
    }

    // Runs `work` from the event loop as soon as a send reaches its first pause.
    static void DuringFirstPause(std::function<void()> work) {
        QTimer::singleShot(0, Quelt, std::move(work));
    }

    std::string Wire() const { return device->Output(); }

    // A character needs about a millisecond on the line at 9600 baud, and the device
    // refuses the next one within that time. Sends that a test starts back to back (within
    // microseconds, as no user could) see a clock on which every character has long left.
    void LineAlwaysFree() {
        auto now = std::make_shared<std::chrono::steady_clock::time_point>(
            std::chrono::steady_clock::now());
        device->SetClock([now] { return *now += std::chrono::hours(1); });
    }

    // The pane's text with each line break as "\n".
    static QString PaneText() { return Quelt->Memo->toPlainText(); }

    static ReceptionPane* Pane() { return Quelt->Memo->findChild<ReceptionPane*>(); }

    // Puts bytes on the line and waits until the window has read them and shown them.
    void Receive(const std::string& bytes) {
        device->Inject(bytes);
        ASSERT_TRUE(WaitUntil([&] { return device->QueuedInput() == 0; }))
            << "the window never read the bytes";
        ASSERT_TRUE(WaitUntil([] { return !Pane()->HasPending(); }))
            << "the pane never showed the bytes";
    }

    std::shared_ptr<win::virt::VirtualDevice> device;
};

// Bytes written as a list of codes, for readable expectations.
inline std::string Bytes(std::initializer_list<int> codes) {
    std::string bytes;
    for (int code : codes)
        bytes += static_cast<char>(code);
    return bytes;
}

} // namespace tavrin::testing
