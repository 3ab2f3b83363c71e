// Sending a command: the bytes on the line, the pause after each of them, the boxes that
// refuse a send and their order, the open offer, the emptying of the command line, and
// sends that fail, lose their device or meet another send half-way.

#include "TransferFixture.h"

#include "serial/CPort.h"

#include <QKeyEvent>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tavrin::testing {
namespace {

using namespace std::chrono_literals;
using win::virt::Call;

class SendTest : public TransferFixture {};

TEST_F(SendTest, CommandGoesOnTheLineCharacterByCharacterEndedByANul) {
    const struct Row {
        const char* name;
        QString command;
        bool newLine;
        std::string wire;
    } rows[] = {
        {"one letter", QStringLiteral("A"), false, Bytes({65, 0})},
        {"space inside", QStringLiteral("A B"), false, Bytes({65, 32, 66, 0})},
        {"new line first", QStringLiteral("AB"), true, Bytes({13, 10, 65, 66, 0})},
        {"hash sign is no escape", QStringLiteral("#65"), false, Bytes({35, 54, 53, 0})},
        {"Windows-1252 bytes", QStringLiteral("é€ÿ"), false, Bytes({0xE9, 0x80, 0xFF, 0})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        OpenPort();
        Quelt->nova_linha->setChecked(row.newLine);

        Send(row.command);

        EXPECT_EQ(Wire(), row.wire);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(SendTest, CommandOfTheMaximumLengthIsSentWhole) {
    for (std::int32_t length : {16, 32, 64}) {
        SCOPED_TRACE(length);
        Restart();
        OpenPort();
        MaxCommandLength = length;
        Quelt->Edit_Data->setMaxLength(length);
        const QString command(length, u'x');
        Send(command);
        EXPECT_EQ(Wire(), std::string(static_cast<std::size_t>(length), 'x') + '\0');
    }
}

// Every byte but the final NUL is followed by one run of the pacing timer; the first run of
// the program lasts 50 ms and every later one 10 ms.
TEST_F(SendTest, PauseFollowsEveryByteButTheNul) {
    OpenPort();
    Quelt->nova_linha->setChecked(true);
    int pauses = 0;
    QObject::connect(Quelt->Timer1, &QTimer::timeout, [&] { ++pauses; });
    ASSERT_EQ(Quelt->Timer1->interval(), 50);

    Send(QStringLiteral("ABC"));

    const auto sent = device->SentBytes();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(pauses, 5);
    EXPECT_FALSE(Quelt->Timer1->isActive());
    EXPECT_TRUE(PacingElapsed);
    EXPECT_GE(sent[1].at - sent[0].at, 45ms) << "the first pause of the run";
    for (std::size_t i = 2; i < sent.size(); ++i)
        EXPECT_GE(sent[i].at - sent[i - 1].at, 9ms) << "gap before byte " << i;
    EXPECT_EQ(Quelt->Timer1->interval(), 10);

    // The next send starts with the short pause.
    LineAlwaysFree();
    device->ClearOutput();
    pauses = 0;
    Send(QStringLiteral("DE"));
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(Wire(), Bytes({13, 10, 'D', 'E', 0}));
    EXPECT_EQ(Quelt->Timer1->interval(), 10);
}

TEST_F(SendTest, RefusalsComeInTheirOrderAndSendNothing) {
    const struct Row {
        const char* name;
        bool open;
        bool dsr;
        QString command;
        QMessageBox::Icon kind;
        QString text;
    } rows[] = {
        {"no device, command typed", true, false, QStringLiteral("A"), QMessageBox::Warning,
         QStringLiteral("Transmissão interrompida. Hardware não detectado!")},
        {"no device comes before an empty command", true, false, QString(), QMessageBox::Warning,
         QStringLiteral("Transmissão interrompida. Hardware não detectado!")},
        {"device present, empty command", true, true, QString(), QMessageBox::Information,
         QStringLiteral("Não há nada para enviar!")},
        {"port closed comes before everything", false, true, QString(), QMessageBox::Question,
         QStringLiteral("A porta de comunicação não está aberta. Deseja abrir?")},
    };
    for (const Row& row : rows) {
        for (bool newLine : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (newLine ? ", new line" : ""));
            Restart();
            if (row.open) {
                OpenPort(row.dsr);
            } else {
                device = AttachDevice();
                device->SetDSR(row.dsr);
            }
            Quelt->nova_linha->setChecked(newLine);
            answers.push_back(QMessageBox::No);

            Send(row.command);

            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].kind, row.kind);
            EXPECT_EQ(boxes[0].text, row.text);
            const auto buttons = row.kind == QMessageBox::Question
                                     ? QMessageBox::Yes | QMessageBox::No
                                     : QMessageBox::StandardButtons(QMessageBox::Ok);
            EXPECT_EQ(boxes[0].buttons, buttons);
            EXPECT_EQ(Wire(), std::string());
            EXPECT_FALSE(Quelt->Timer1->isActive());
        }
    }
}

TEST_F(SendTest, OpenOfferYesOpensThePortAndSendsNothing) {
    device = AttachDevice();
    device->SetDSR(true);
    Quelt->Memo->setPlainText(QStringLiteral("earlier answer"));
    Quelt->Edit_Data->setText(QStringLiteral("AB"));
    RemainingChars = 30;
    answers.push_back(QMessageBox::Yes);

    Quelt->Button_Send->click();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Quelt->ComPort->Connected());
    EXPECT_TRUE(PortOpen);
    EXPECT_TRUE(MenuSaysOpen());
    EXPECT_TRUE(HardwareDetected);
    EXPECT_EQ(PaneText(), QString());
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("AB"));
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("30"));
    EXPECT_EQ(Wire(), std::string());

    // The user sends again, now to an open port.
    Quelt->Button_Send->click();
    EXPECT_EQ(Wire(), Bytes({'A', 'B', 0}));
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(SendTest, OpenOfferNoLeavesThePortClosed) {
    device = AttachDevice();
    Quelt->Memo->setPlainText(QStringLiteral("kept"));
    answers.push_back(QMessageBox::No);

    Send(QStringLiteral("A"));

    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
    EXPECT_EQ(PaneText(), QStringLiteral("kept"));
}

TEST_F(SendTest, OpenOfferThatFailsShowsThePortErrorAndChangesNothing) {
    device = AttachDevice();
    device->Unplug();
    ConfigTerm->LimpaComandos->setChecked(true);
    answers.push_back(QMessageBox::Yes);

    Send(QStringLiteral("A"));

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].kind, QMessageBox::Critical);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Porta Com não disponível (win error code: 2)"));
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("A")) << "no emptying after an error";
}

// Emptying the command line ends every outcome of a send but an error.
TEST_F(SendTest, LimpaComandosEmptiesTheCommandLineAfterEveryOutcome) {
    enum Setup { ClosedAnswerNo, ClosedAnswerYes, NoDevice, Sent };
    const struct Row {
        const char* name;
        Setup setup;
    } rows[] = {
        {"open offer declined", ClosedAnswerNo},
        {"open offer accepted", ClosedAnswerYes},
        {"hardware warning", NoDevice},
        {"sent", Sent},
    };
    for (const Row& row : rows) {
        for (bool checked : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (checked ? ", checked" : ", unchecked"));
            Restart();
            ConfigTerm->LimpaComandos->setChecked(checked);
            switch (row.setup) {
            case ClosedAnswerNo:
            case ClosedAnswerYes:
                device = AttachDevice();
                answers.push_back(row.setup == ClosedAnswerYes ? QMessageBox::Yes
                                                               : QMessageBox::No);
                break;
            case NoDevice:
                OpenPort(false);
                break;
            case Sent:
                OpenPort(true);
                break;
            }
            Quelt->CR->setText(QStringLiteral("31"));

            Send(QStringLiteral("Z"));

            EXPECT_EQ(Quelt->Edit_Data->text(), checked ? QString() : QStringLiteral("Z"));
            EXPECT_EQ(Errors().size(), 0u);
            if (row.setup != ClosedAnswerYes) {
                EXPECT_EQ(Quelt->CR->text(), QStringLiteral("31"))
                    << "the counter waits for the next key release";
            }
        }
    }
}

TEST_F(SendTest, FailedTransmitShowsErrorThirteenAndEndsTheSend) {
    const struct Row {
        const char* name;
        bool failFirst; // else the second character fails
        std::string wire;
    } rows[] = {
        {"first character", true, std::string()},
        {"second character", false, "A"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        OpenPort();
        ConfigTerm->LimpaComandos->setChecked(true);
        if (row.failFirst)
            device->FailNext(Call::TransmitCommChar, win::ERROR_GEN_FAILURE);
        else
            DuringFirstPause(
                [&] { device->FailNext(Call::TransmitCommChar, win::ERROR_GEN_FAILURE); });

        Send(QStringLiteral("ABC"));

        EXPECT_EQ(Wire(), row.wire) << "nothing after the failure, no NUL";
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].caption, ProgramTitle);
        EXPECT_EQ(boxes[0].text,
                  QStringLiteral("TransmitCommChar function failed (win error code: 31)"));
        EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("ABC")) << "no emptying after an error";
        EXPECT_TRUE(PortOpen);
        EXPECT_TRUE(MenuSaysOpen());
    }
}

TEST_F(SendTest, ClosingThePortDuringASendEndsItWithThePortsErrorOnly) {
    OpenPort();
    ConfigTerm->LimpaComandos->setChecked(true);
    DuringFirstPause([] { Quelt->FecharPorta1->trigger(); });

    Send(QStringLiteral("ABC"));

    EXPECT_EQ(Wire(), "A");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("TransmitCommChar function failed")))
        << boxes[0].text.toStdString();
    EXPECT_FALSE(PortOpen);
    EXPECT_TRUE(MenuSaysClosed());
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("ABC"));
    EXPECT_FALSE(Quelt->Timer1->isActive());
}

// With "Apagar linha de comandos" on, a command waiting behind a running send stays in the
// command line until it has gone out; one that never goes out (the port closed under the
// send) is there afterwards, put back when the line had been emptied meanwhile.
TEST_F(SendTest, AWaitingCommandStaysInTheCommandLineUntilItIsSent) {
    const struct {
        const char* name;
        bool closeDuringSend;
        bool emptyAfterQueueing;
        const char* lineAfter;
    } rows[] = {
        {"both sent", false, false, ""},
        {"port closed, waiting one still there", true, false, "CD"},
        {"port closed, waiting one put back", true, true, "CD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        ShowMainWindow();
        OpenPort();
        LineAlwaysFree();
        ConfigTerm->LimpaComandos->setChecked(true);
        QString lineWhileWaiting;
        DuringFirstPause([&] {
            Quelt->Edit_Data->setText(QStringLiteral("CD"));
            Quelt->Button_Send->click();
            lineWhileWaiting = Quelt->Edit_Data->text();
            if (row.emptyAfterQueueing)
                Quelt->Edit_Data->clear();
            if (row.closeDuringSend)
                Quelt->FecharPorta1->trigger();
        });
        Send(QStringLiteral("AB"));
        EXPECT_EQ(lineWhileWaiting, QStringLiteral("CD"));
        EXPECT_EQ(Quelt->Edit_Data->text(), QString::fromLatin1(row.lineAfter));
        if (!row.closeDuringSend) {
            EXPECT_EQ(Wire(), Bytes({'A', 'B', 0, 'C', 'D', 0}));
        }
        boxes.clear();
    }
}

// A microcontroller parses whole commands: sends asked for during a send wait for it and go
// out whole, one after the other, on a line with its real timing. A few wait at most.
TEST_F(SendTest, SendsAskedForDuringASendWaitAndGoOutWholeInOrder) {
    OpenPort();
    DuringFirstPause([] {
        for (const char* text : {"CD", "EF", "GH", "IJ"}) {
            Quelt->Edit_Data->setText(QString::fromLatin1(text));
            Quelt->Button_Send->click();
        }
    });

    Send(QStringLiteral("AB"));

    EXPECT_EQ(Wire(), Bytes({'A', 'B', 0, 'C', 'D', 0, 'E', 'F', 0, 'G', 'H', 0}));
    ASSERT_EQ(boxes.size(), 1u) << "the fourth waiting send is refused";
    EXPECT_EQ(boxes[0].kind, QMessageBox::Information);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Aguarde o fim do envio: outros comandos já estão na fila."));
    EXPECT_FALSE(Quelt->Timer1->isActive());

    // The queue is gone with the send: the next one is on its own.
    LineAlwaysFree();
    device->ClearOutput();
    Send(QStringLiteral("K"));
    EXPECT_EQ(Wire(), Bytes({'K', 0}));
}

// Enter held down repeats; the repeats that come while a send runs are dropped, whichever
// control has the focus. A real press still asks for another send.
TEST_F(SendTest, EnterRepeatedWhileASendRunsAsksForNothing) {
    using Control = QWidget* (*)();
    const Control controls[] = {[]() -> QWidget* { return Quelt->Edit_Data; },
                                []() -> QWidget* { return Quelt->Button_Send; },
                                []() -> QWidget* { return Quelt->BitBtn1; }};
    for (Control control : controls) {
        Restart();
        ShowMainWindow();
        OpenPort();
        QWidget* target = control();
        SCOPED_TRACE(target->objectName().toStdString());
        target->setFocus(Qt::OtherFocusReason);
        DuringFirstPause([target] {
            for (int i = 0; i < 20; ++i) {
                QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(target, &repeat);
            }
            QTest::keyClick(target, Qt::Key_Return);
        });

        Send(QStringLiteral("AB"));

        EXPECT_EQ(Wire(), Bytes({'A', 'B', 0, 'A', 'B', 0}));
        EXPECT_TRUE(boxes.empty());
    }
}

// The device goes away half-way: the send stops with the hardware warning, the rest and
// the NUL are not sent, and the command stays for another try.
TEST_F(SendTest, DeviceLostDuringASendStopsItWithTheHardwareWarning) {
    const struct Row {
        const char* name;
        std::function<void(win::virt::VirtualDevice&)> lose;
        bool beforeTheFirst; // else during the first pause
        std::string wire;
    } rows[] = {
        {"DSR drops", [](win::virt::VirtualDevice& d) { d.SetDSR(false); }, false, "A"},
        {"device unplugged", [](win::virt::VirtualDevice& d) { d.Unplug(); }, false, "A"},
        {"device gone before the first character", [](win::virt::VirtualDevice& d) { d.Unplug(); },
         true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        OpenPort();
        ConfigTerm->LimpaComandos->setChecked(true);
        if (row.beforeTheFirst)
            row.lose(*device);
        else
            DuringFirstPause([&] { row.lose(*device); });

        Send(QStringLiteral("ABC"));

        EXPECT_EQ(Wire(), row.wire);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, QMessageBox::Warning);
        EXPECT_EQ(boxes[0].text,
                  QStringLiteral("Transmissão interrompida. Hardware não detectado!"));
        EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("ABC"));
        EXPECT_FALSE(Quelt->Timer1->isActive());
        device->Replug();
    }
}

// Runs `work` at the end of the `n`-th pause (counted from 1), before the send goes on.
void AtPause(int n, std::function<void()> work) {
    auto count = std::make_shared<int>(0);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(Quelt->Timer1, &QTimer::timeout, Quelt,
                                   [count, connection, n, work = std::move(work)] {
                                       if (++*count != n)
                                           return;
                                       QObject::disconnect(*connection);
                                       work();
                                   });
}

// The user asks for `command` while a send runs, then goes on typing `typedAfter`.
void AskWhileSending(const QString& command, const QString& typedAfter) {
    Quelt->Edit_Data->setText(command);
    Quelt->Button_Send->click();
    Quelt->Edit_Data->setText(typedAfter);
}

// A waiting command stays in the command line until it has gone out, also with
// "Apagar linha de comandos" on; then the line is emptied as after any send.
TEST_F(SendTest, WaitingCommandStaysInTheCommandLineUntilItIsSent) {
    OpenPort();
    ConfigTerm->LimpaComandos->setChecked(true);
    std::vector<std::pair<std::string, QString>> seen; // wire and command line at each pause
    QObject::connect(Quelt->Timer1, &QTimer::timeout, Quelt,
                     [&] { seen.emplace_back(Wire(), Quelt->Edit_Data->text()); });
    DuringFirstPause([] {
        Quelt->Edit_Data->setText(QStringLiteral("CD"));
        Quelt->Button_Send->click();
    });

    Send(QStringLiteral("AB"));

    EXPECT_EQ(Wire(), Bytes({'A', 'B', 0, 'C', 'D', 0}));
    // Pauses after A, B, the first NUL, C and D.
    ASSERT_EQ(seen.size(), 5u);
    for (const auto& [wire, line] : seen)
        EXPECT_EQ(line, QStringLiteral("CD")) << "with " << wire.size() << " bytes sent";
    EXPECT_EQ(Quelt->Edit_Data->text(), QString()) << "emptied once it has gone out";
    EXPECT_TRUE(boxes.empty());
}

// A send that stops (device gone, port closed, program ending) takes the waiting command
// along unsent; that command comes back into the command line, over what was typed since,
// so the user can send it again. Pauses: 1 after A, 2 after B, 3 after the NUL, 4 after C.
TEST_F(SendTest, WaitingCommandThatIsNotSentComesBackIntoTheCommandLine) {
    enum Outcome { Warning, PortError, Quiet };
    const struct Row {
        const char* name;
        int pause;
        std::function<void(win::virt::VirtualDevice&)> stop;
        std::string wire;
        Outcome outcome;
    } rows[] = {
        {"device unplugged during the running send", 2,
         [](win::virt::VirtualDevice& d) { d.Unplug(); }, "AB", Warning},
        {"DSR drops between the two", 3, [](win::virt::VirtualDevice& d) { d.SetDSR(false); },
         Bytes({'A', 'B', 0}), Warning},
        {"device unplugged while the waiting one goes out", 4,
         [](win::virt::VirtualDevice& d) { d.Unplug(); }, Bytes({'A', 'B', 0, 'C'}), Warning},
        {"port closed during the running send", 2,
         [](win::virt::VirtualDevice&) { Quelt->FecharPorta1->trigger(); }, "AB", PortError},
        {"port closed between the two", 3,
         [](win::virt::VirtualDevice&) { Quelt->FecharPorta1->trigger(); }, Bytes({'A', 'B', 0}),
         PortError},
        {"port closed while the waiting one goes out", 4,
         [](win::virt::VirtualDevice&) { Quelt->FecharPorta1->trigger(); },
         Bytes({'A', 'B', 0, 'C'}), PortError},
        {"program ending", 2, [](win::virt::VirtualDevice&) { Quelt->close(); }, "AB", Quiet},
    };
    for (const Row& row : rows) {
        for (bool limpa : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (limpa ? ", emptying on" : ", emptying off"));
            Restart();
            OpenPort();
            ConfigTerm->LimpaComandos->setChecked(limpa);
            if (row.outcome == Quiet)
                answers.push_back(QMessageBox::Ok); // the port is still open: agree
            DuringFirstPause(
                [] { AskWhileSending(QStringLiteral("CD"), QStringLiteral("typed since")); });
            AtPause(row.pause, [&] { row.stop(*device); });

            Send(QStringLiteral("AB"));

            EXPECT_EQ(Wire(), row.wire);
            EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("CD"));
            EXPECT_EQ(Quelt->CR->text(), QString::number(MaxCommandLength - 2))
                << "the counter speaks of the command now in the line";
            const auto errors = Errors();
            switch (row.outcome) {
            case Warning:
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(boxes[0].text,
                          QStringLiteral("Transmissão interrompida. Hardware não detectado!"));
                break;
            case PortError:
                ASSERT_EQ(errors.size(), 1u);
                EXPECT_TRUE(errors[0].startsWith(QStringLiteral("TransmitCommChar")))
                    << errors[0].toStdString();
                break;
            case Quiet:
                EXPECT_TRUE(errors.empty());
                break;
            }
            EXPECT_FALSE(Quelt->Timer1->isActive());
            if (row.outcome != Quiet) {
                // Sent again once the device is back, it goes out whole.
                if (Quelt->ComPort->Connected())
                    Quelt->FecharPorta1->trigger();
                device->Replug();
                device->SetDSR(true);
                Quelt->AbrirPorta1->trigger();
                LineAlwaysFree();
                device->ClearOutput();
                Quelt->Button_Send->click();
                EXPECT_EQ(Wire(), Bytes({'C', 'D', 0}));
                EXPECT_EQ(Quelt->Edit_Data->text(), limpa ? QString() : QStringLiteral("CD"));
            }
        }
    }
}

TEST_F(SendTest, WindowShowsWhatArrivesDuringAPause) {
    OpenPort();
    std::string wireWhenShown;
    DuringFirstPause([&] {
        device->Inject("OK");
        if (WaitUntil([] { return PaneText() == QStringLiteral("OK"); }))
            wireWhenShown = Wire();
    });

    Send(QStringLiteral("AB"));

    EXPECT_EQ(wireWhenShown, "A") << "shown in the middle of the send";
    EXPECT_EQ(Wire(), Bytes({'A', 'B', 0}));
}

TEST_F(SendTest, EditsDuringASendDoNotChangeWhatIsSent) {
    OpenPort();
    DuringFirstPause([] { Quelt->Edit_Data->setText(QStringLiteral("XYZ")); });

    Send(QStringLiteral("AB"));

    EXPECT_EQ(Wire(), Bytes({'A', 'B', 0}));
    EXPECT_EQ(Quelt->Edit_Data->text(), QStringLiteral("XYZ"));
}

TEST_F(SendTest, EnterInTheCommandLineSendsAndItsReleaseRefreshesTheCounter) {
    ShowMainWindow();
    OpenPort();
    ConfigTerm->LimpaComandos->setChecked(true);
    Quelt->Edit_Data->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(Quelt->Edit_Data, QStringLiteral("Hi"));
    ASSERT_EQ(Quelt->CR->text(), QStringLiteral("30"));

    QTest::keyClick(Quelt->Edit_Data, Qt::Key_Return);

    EXPECT_EQ(Wire(), Bytes({'H', 'i', 0}));
    EXPECT_EQ(Quelt->Edit_Data->text(), QString());
    EXPECT_EQ(Quelt->CR->text(), QStringLiteral("32"));
}

} // namespace
} // namespace tavrin::testing
