// The command line and transmission: sending a command, clearing, the pacing timer and the
// counter and status panels that follow the command line.

#include "app/Ansi.h"
#include "app/CapsLock.h"
#include "app/CommandValidator.h"
#include "app/PortOpenFailure.h"
#include "app/QtApplication.h"
#include "app/ReceptionPane.h"
#include "app/UnitConfigTerm.h"
#include "app/UnitPrincipal.h"

#include <QEventLoop>
#include <QTimer>

namespace tavrin {

void TQuelt::PrepareTransfers() {
    Edit_Data->setValidator(new CommandValidator(Edit_Data));
    pane_ = new ReceptionPane(Memo);
    // A coarse timer may end a pause early; the pause is there to give each character
    // its time on the line.
    Timer1->setTimerType(Qt::PreciseTimer);
}

void TQuelt::Button_SendClick() {
    QtApplication& app = QtApplication::Instance();
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
    } else {
        // Taken once: what is typed during the pauses belongs to the next send.
        const std::string command = ToAnsi(Edit_Data->text());
        if (!HardwareDetected) {
            app.MessageDlg(QStringLiteral("Transmissão interrompida. Hardware não detectado!"),
                           QMessageBox::Warning, QMessageBox::Ok);
        } else if (command.empty()) {
            app.MessageDlg(QStringLiteral("Não há nada para enviar!"), QMessageBox::Information,
                           QMessageBox::Ok);
        } else {
            Transmit(command);
        }
    }
    // Not reached after an error: a command that failed stays for another try.
    if (ConfigTerm && ConfigTerm->LimpaComandos->isChecked())
        Edit_Data->clear();
}

void TQuelt::Transmit(const std::string& command) {
    if (nova_linha->isChecked() && !(SendPaced('\r') && SendPaced('\n')))
        return;
    for (char ch : command)
        if (!SendPaced(CharCode(std::string(1, ch))))
            return;
    ComPort->SendChar('\0');
}

bool TQuelt::SendPaced(char code) {
    ComPort->SendChar(code);
    return Pause();
}

bool TQuelt::Pause() {
    PacingElapsed = false;
    Timer1->start();
    // The window keeps working while it waits: received characters are shown, menus and
    // even another send run, and the work other threads queue for the GUI thread is
    // served. Timer1Timer ends this loop.
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
    // A send started during another's pause waits in a loop nested in the first one's;
    // every waiting pause has elapsed now. An outer loop returns once the inner send it
    // is carrying has run to its end.
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
