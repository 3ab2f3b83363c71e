// Sends of the main window over a real line: a pseudo-terminal pair made by socat, with
// pyserial reading at the other end. Quick and held Enter keys, the other end going away
// in the middle of a send, and the program ended in the middle of one.

#include "PeerFixture.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <memory>
#include <string>

namespace tavrin::testing {
namespace {

const std::string Command = "abcdefghij";
const std::string Whole = Command + '\0'; // as it arrives

class SendOnPtyTest : public PeerFixture {
protected:
    void SetUp() override {
        PeerFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(ConnectPeer());
        Quelt->AbrirPorta1->trigger();
        ASSERT_TRUE(PortOpen);
        ASSERT_TRUE(HardwareDetected) << "the other end is open: DSR on";
        Quelt->Edit_Data->setText(QString::fromStdString(Command));
        Quelt->Edit_Data->setFocus(Qt::OtherFocusReason);
    }
    // Whatever reached the other end, waiting up to `seconds` for `count` bytes.
    std::string Received(std::size_t count, double seconds = 5) {
        return Peer().Read(count, seconds);
    }

    static void Press(bool autoRepeat) {
        QCoreApplication::postEvent(
            Quelt->Edit_Data,
            new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), autoRepeat));
    }
    static void Release() {
        QCoreApplication::postEvent(
            Quelt->Edit_Data,
            new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QString()));
    }
};

TEST_F(SendOnPtyTest, ThreeQuickEntersGiveThreeWholeCommandsInOrder) {
    for (int i = 0; i < 3; ++i) {
        Press(false);
        Release();
    }
    // The first press sends; the other two come during its pauses and wait their turn.
    QCoreApplication::sendPostedEvents(Quelt->Edit_Data);

    EXPECT_EQ(Received(3 * Whole.size()), Whole + Whole + Whole);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SendOnPtyTest, HoldingEnterForASecondLeavesNothingWaitingBehindTheRunningSend) {
    // Enter held down for a second: a press, then the keyboard's repeats every 33 ms, then
    // the release. Sends start only while none runs, so once the key is up at most the
    // send then running goes on: at most one pause per character of one command.
    int pausesAfterRelease = 0;
    bool released = false;
    QObject::connect(Quelt->Timer1, &QTimer::timeout, [&] {
        if (released)
            ++pausesAfterRelease;
    });
    QElapsedTimer held;
    QTimer keyboard;
    keyboard.setInterval(33);
    QObject::connect(&keyboard, &QTimer::timeout, [&] {
        if (held.elapsed() < 1000) {
            Press(true);
            return;
        }
        keyboard.stop();
        Release();
        released = true;
    });
    held.start();
    Press(false);
    keyboard.start();

    ASSERT_TRUE(WaitUntil([&] { return released; }, 10000));
    EXPECT_LE(pausesAfterRelease, static_cast<int>(Command.size()));

    const std::string wire = Received(64 * Whole.size(), 1);
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.size() % Whole.size(), 0u) << "every command whole";
    for (std::size_t at = 0; at + Whole.size() <= wire.size(); at += Whole.size())
        EXPECT_EQ(wire.substr(at, Whole.size()), Whole) << "command at " << at;
    EXPECT_LE(wire.size() / Whole.size(), 12u) << "about one send per send's time, not per key";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SendOnPtyTest, OtherEndGoneDuringASendShowsTheHardwareWarning) {
    Quelt->Edit_Data->setText(QString(32, u'x'));
    QTimer::singleShot(0, Quelt, [this] { Pair().Stop(); });

    Quelt->Button_Send->click();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, QMessageBox::Warning);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Transmissão interrompida. Hardware não detectado!"));
    EXPECT_FALSE(Quelt->Timer1->isActive());
}

// The close box comes up during a pause and stays up while the pacing timer fires, as a
// user takes longer than a pause to answer it.
TEST_F(SendOnPtyTest, ClosingTheWindowDuringASendEndsTheProgramQuietly) {
    app->SetMessageFunction([this](const MessageRequest& request) {
        boxes.push_back(request);
        if (request.kind != QMessageBox::Question)
            return QMessageBox::NoButton;
        WaitUntil([] { return PacingElapsed; });
        return QMessageBox::Ok;
    });
    QTimer::singleShot(0, Quelt, [] {
        QTimer::singleShot(0, Quelt, [] { Quelt->close(); });
        Quelt->Button_Send->click();
    });

    const int status = app->Run();

    EXPECT_EQ(status, 0);
    ASSERT_EQ(boxes.size(), 1u) << "only the close query, no error after it";
    EXPECT_EQ(boxes[0].kind, QMessageBox::Question);
    EXPECT_FALSE(Quelt->ComPort->Connected());
    const std::string wire = Received(Whole.size(), 0.5);
    EXPECT_LT(wire.size(), Command.size());
    EXPECT_EQ(Command.substr(0, wire.size()), wire) << "the send stopped where it was";
}

} // namespace
} // namespace tavrin::testing
