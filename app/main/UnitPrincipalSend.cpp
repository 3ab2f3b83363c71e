// The command line and transmission: sending a command, clearing, the pacing timer and the
// counter and status panels that follow the command line.

#include "app/main/CommandValidator.h"
#include "app/main/PortOpenFailure.h"
#include "app/main/ReceptionPane.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/Ansi.h"
#include "app/qt/CapsLock.h"
#include "app/qt/Guarded.h"
#include "app/qt/QtApplication.h"
#include "app/windows/UnitConfigTerm.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace tavrin {

void TQuelt::PrepareTransfers() {
    Edit_Data->setValidator(new CommandValidator(Edit_Data));
    pane_ = new ReceptionPane(Memo);
    QObject::connect(pane_, &ReceptionPane::Drained, this, Guarded([this] { ReceiveHeldBack(); }));
    // A coarse timer may end a pause early; the pause is there to give each character
    // its time on the line.
    Timer1->setTimerType(Qt::PreciseTimer);
}

namespace {
// Sends asked for while one runs wait their turn; a few at most, as a user asks for them
// one by one. Beyond that a request is refused: nobody can follow more.
constexpr std::size_t MaxWaitingSends = 3;
} // namespace

void TQuelt::Button_SendClick() {
    QtApplication& app = QtApplication::Instance();
    if (sending_) {
        // The microcontroller parses whole commands: this one goes out once the running
        // send has ended, never in the middle of it.
        QueueSend();
        return;
    }
    if (!PortOpen) {
        // The offer only opens the port: the user sends again once it is open.
        const auto answer =
            app.MessageDlg(QStringLiteral("A porta de comunicação não está aberta. Deseja abrir?"),
                           QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            OpenPortExplained(*ComPort);
            apagar(false);
            PortOpen = true;
            AbrirPorta1->setEnabled(false);
            FecharPorta1->setEnabled(true);
        }
        EmptyCommandLineIfAsked();
        return;
    }
    sending_ = true;
    struct Sending {
        TQuelt& form;
        // The waiting command now going out, until it has gone whole.
        std::optional<std::string> queued;
        ~Sending() {
            form.sending_ = false;
            // A send that ended early (an error, the hardware gone, the port closed, the
            // program ending) takes the ones waiting behind it along; the first of those
            // not sent goes back into the command line, so the user can send it again.
            if (!queued && !form.waitingSends_.empty())
                queued = form.waitingSends_.front();
            form.waitingSends_.clear();
            if (queued)
                form.PutBackInCommandLine(*queued);
        }
    } sending{*this, std::nullopt};
    // Taken once: what is typed during the pauses belongs to the next send.
    std::string command = ToAnsi(Edit_Data->text());
    for (;;) {
        if (!SendCommand(command, sending.queued.has_value()))
            return; // stopped half-way: the command stays for another try
        sending.queued.reset();
        // Not reached after an error: a command that failed stays for another try.
        EmptyCommandLineIfAsked();
        if (waitingSends_.empty())
            return;
        command = std::move(waitingSends_.front());
        waitingSends_.pop_front();
        sending.queued = command;
        // The NUL just sent needs its time on the line before the next character, or the
        // device refuses that one.
        if (!Pause() || !StillSending())
            return;
    }
}

void TQuelt::QueueSend() {
    if (waitingSends_.size() >= MaxWaitingSends) {
        QtApplication::Instance().MessageDlg(
            QStringLiteral("Aguarde o fim do envio: outros comandos já estão na fila."),
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    // The text stays in the command line until it has gone out: the user sees what waits.
    waitingSends_.push_back(ToAnsi(Edit_Data->text()));
}

void TQuelt::PutBackInCommandLine(const std::string& command) {
    Edit_Data->setText(FromAnsi(command));
    // The counter and the panels speak of the text now in the line.
    Edit_DataKeyUp(nullptr);
}

void TQuelt::EmptyCommandLineIfAsked() {
    if (!ConfigTerm || !ConfigTerm->LimpaComandos->isChecked())
        return;
    // A command still waiting for its turn stays in view until it has gone out.
    const std::string shown = ToAnsi(Edit_Data->text());
    if (std::find(waitingSends_.begin(), waitingSends_.end(), shown) != waitingSends_.end())
        return;
    Edit_Data->clear();
}

bool TQuelt::SendCommand(const std::string& command, bool queued) {
    QtApplication& app = QtApplication::Instance();
    // A waiting command whose port was closed under the send meets the port's error at its
    // first character, as the characters of a running command do; whether the last DSR
    // report has come in by then must not decide which box the user sees.
    const bool closedUnderIt = queued && !ComPort->Connected();
    if (!HardwareDetected && !closedUnderIt) {
        ReportHardwareLost();
        // A waiting command whose hardware went away was not refused by the user's own
        // send: it stays to be sent again.
        return !queued;
    }
    if (command.empty()) {
        app.MessageDlg(QStringLiteral("Não há nada para enviar!"), QMessageBox::Information,
                       QMessageBox::Ok);
        return true;
    }
    return Transmit(command);
}

bool TQuelt::Transmit(const std::string& command) {
    if (nova_linha->isChecked() && !(SendPaced('\r') && SendPaced('\n')))
        return false;
    for (char ch : command)
        if (!SendPaced(CharCode(std::string(1, ch))))
            return false;
    if (!Put('\0'))
        return false;
    history_.Remember(FromAnsi(command));
    return true;
}

bool TQuelt::WalkHistory(const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier)
        return false;
    QString recalled;
    if (key.key() == Qt::Key_Up) {
        if (!history_.Older(Edit_Data->text(), recalled))
            return true;
    } else if (key.key() == Qt::Key_Down) {
        if (!history_.Newer(recalled))
            return true;
    } else {
        return false;
    }
    Edit_Data->setText(recalled);
    // The counter and the panels speak of the text now in the line.
    Edit_DataKeyUp(nullptr);
    return true;
}

bool TQuelt::SendPaced(char code) {
    return Put(code) && Pause() && StillSending();
}

bool TQuelt::Put(char code) {
    try {
        ComPort->SendChar(code);
        traffic_.Sent(code);
        return true;
    } catch (const EComPort&) {
        // A device that has gone away refuses the character: the user hears that the
        // hardware is gone, not that a system call failed. A port closed under the send
        // fails with the port's error, as any transmit on a closed port does.
        if (!ComPort->Connected() || DevicePresent())
            throw;
    }
    ReportHardwareLost();
    return false;
}

// Asked after each pause, when anything may have happened meanwhile.
bool TQuelt::StillSending() {
    // Once the user has agreed to end the program, the send just stops.
    if (closing_)
        return false;
    // A port closed under the send: the next transmit reports it with the port's error.
    if (!ComPort->Connected())
        return true;
    // Characters sent into a line without a device are lost: never let that pass as a send.
    if (HardwareDetected && DevicePresent())
        return true;
    ReportHardwareLost();
    return false;
}

bool TQuelt::DevicePresent() {
    try {
        return ComPort->ReadSignals().Contains(msDSR);
    } catch (const EComPort&) {
        return false; // the device no longer answers at all
    }
}

void TQuelt::ReportHardwareLost() {
    QtApplication::Instance().MessageDlg(
        QStringLiteral("Transmissão interrompida. Hardware não detectado!"), QMessageBox::Warning,
        QMessageBox::Ok);
}

bool TQuelt::Pause() {
    PacingElapsed = false;
    Timer1->start();
    // The window keeps working while it waits: received characters are shown, menus run
    // (another send waits its turn), and the work other threads queue for the GUI thread
    // is served. Timer1Timer ends this loop.
    QEventLoop loop;
    pauses_.push_back(&loop);
    struct Leave {
        std::vector<QEventLoop*>& pauses;
        ~Leave() { pauses.pop_back(); }
    } leave{pauses_};
    loop.exec();
    // The loop also ends when the program quits; then the rest of the command is dropped.
    return PacingElapsed;
}

void TQuelt::Timer1Timer() {
    Timer1->setInterval(10);
    PacingElapsed = true;
    Timer1->stop();
    // Pauses nest when a box or a menu shown during one runs its own loop; every waiting
    // pause has elapsed now, and each returns as the loops inside it end.
    for (QEventLoop* loop : pauses_)
        loop->quit();
}

// "#" followed by a number stands for that code, as characters are written in stored
// settings. The send path hands over single characters, so a "#" there is itself.
char TQuelt::CharCode(const std::string& Text) {
    return TextToChar(Text);
}

void TQuelt::Edit_DataKeyUp(QKeyEvent*) {
    StatusBar1->SetPanelText(2, QStringLiteral(" "));
    const QString command = Edit_Data->text();
    RemainingChars = MaxCommandLength - static_cast<std::int32_t>(command.size());
    CR->setText(QString::number(RemainingChars));
    CheckCapsLock();
    if (command.contains(u' '))
        StatusBar1->SetPanelText(2, QStringLiteral(" SPACE"));
}

void TQuelt::CheckCapsLock() {
    StatusBar1->SetPanelText(1, CapsLockToggled() ? QStringLiteral(" CAPS") : QStringLiteral(" "));
}

void TQuelt::BitBtn1Click() {
    Button_SendClick();
}

void TQuelt::BitBtn2Click() {
    apagar(true);
}

void TQuelt::Button1Click() {
    apagar(true);
}

void TQuelt::apagar(bool clearCommandLine) {
    Memo->clear();
    if (clearCommandLine) {
        Edit_Data->clear();
        RemainingChars = MaxCommandLength;
        StatusBar1->SetPanelText(2, QStringLiteral(" "));
    }
    CR->setText(QString::number(RemainingChars));
}

} // namespace tavrin
