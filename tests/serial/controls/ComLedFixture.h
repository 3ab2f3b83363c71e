#pragma once

// What the lamp's tests share: an application object whose error boxes are recorded, a
// port on a virtual device, a lamp whose state changes are recorded, and pictures of the
// lamp as the toolkit paints it.

#include "AppFixture.h"
#include "serial/controls/CPortCtl.h"
#include "support/VirtualPort.h"

#include <QImage>
#include <QTimer>

#include <memory>
#include <vector>

namespace tavrin::testing {

// The lamp painted onto a transparent picture (no background of its own, nothing under
// it), at `ratio` device pixels per logical pixel.
inline QImage RenderLamp(TComLed& lamp, int ratio = 1) {
    QImage image(lamp.size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    lamp.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Runs the event loop until `milliseconds` have passed, for timing a timer against; the
// loop wakes on a timer of its own, never by polling.
inline void RunEventsFor(int milliseconds) {
    bool elapsed = false;
    QObject scope; // the timer dies with this call
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &scope, [&elapsed] { elapsed = true; });
    ASSERT_TRUE(WaitUntil([&elapsed] { return elapsed; }, milliseconds + 5000));
}

class ComLedFixture : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<QtApplication>();
        app->SetTitle(ProgramTitle);
        app->SetMessageFunction([this](const MessageRequest& request) {
            if (request.kind == QMessageBox::Critical)
                errors.push_back(request.text);
            return QMessageBox::Ok;
        });
        device = std::make_unique<VirtualPort>();
        lamp = NewLamp();
    }

    void TearDown() override {
        lamp.reset();
        device.reset();
        app.reset();
    }

    // A lamp whose OnChange records into `changes`.
    std::unique_ptr<TComLed> NewLamp() {
        auto made = std::make_unique<TComLed>();
        made->OnChange = [this, raw = made.get()](TObject* Sender, TLedState AState) {
            EXPECT_EQ(Sender, static_cast<TObject*>(raw));
            changes.push_back(AState);
        };
        return made;
    }

    TComPort& Port() { return device->Port(); }
    win::virt::VirtualDevice& Line() { return device->Device(); }

    std::unique_ptr<QtApplication> app;
    std::vector<QString> errors;
    std::unique_ptr<VirtualPort> device;
    std::vector<TLedState> changes;
    std::unique_ptr<TComLed> lamp;
};

} // namespace tavrin::testing
