#pragma once

// The main window: the one serial port of the program, the command line, the reception
// pane, the two lamps, the status bar and the main menu. It opens and closes the port,
// opens the secondary windows and decides whether the program may end.

#include "app/line/LineTraffic.h"
#include "app/main/CommandHistory.h"
#include "serial/CPort.h"
#include "ui_UnitPrincipal.h"

#include <QMainWindow>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QKeyEvent;
class QTimer;

namespace tavrin {

class ReceptionPane;
class SessionRecording;

// State of the main window's unit, for the whole run, GUI thread only. The terminal
// settings dialog writes MaxCommandLength and RemainingChars too.
extern bool PortOpen;                 // the window regards the port as open; gates sending
extern bool HardwareDetected;         // last DSR state the port reported
extern bool PacingElapsed;            // the pacing timer fired since the last character went out
extern std::int32_t MaxCommandLength; // 16, 32 or 64
extern std::int32_t RemainingChars;   // MaxCommandLength minus the command line's length

class TQuelt : public QMainWindow, public Ui::UnitPrincipal {
    Q_OBJECT
public:
    explicit TQuelt(QWidget* parent = nullptr);
    ~TQuelt() override;

    // Components of the window besides its controls.
    TComPort* ComPort = nullptr; // owned by the window
    QTimer* Timer1 = nullptr;    // the pacing timer

    // ---- Start-up, menus, closing --------------------------------------------------
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void ShowHint();
    void AbrirPorta1Click();
    void FecharPorta1Click();
    void ConfiguraPorta1Click();
    void Terminal1Click();
    void ComandoseIndicadores1Click();
    void Sobre2Click();
    void MonitordaLinha1Click();
    void Bt_StoreClick();
    void Bt_LoadClick();
    void GravarSessao1Click();

    // ---- Command line and transmission (UnitPrincipalSend.cpp) -----------------------
    void Button_SendClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void Button1Click();
    void Edit_DataKeyUp(QKeyEvent* Key);
    void CheckCapsLock();
    void Timer1Timer();
    void apagar(bool clearCommandLine);
    static char CharCode(const std::string& Text);

    // ---- Reception and hardware detection (UnitPrincipalReceive.cpp) -----------------
    void ComPortRxChar(TObject* Sender, std::int32_t Count);
    void ComPortDSRChange(TObject* Sender, bool OnOff);
    // Reads what waited in the port while the pane was full.
    void ReceiveHeldBack();

    // What crossed the line, for the line monitor and the session transcript.
    LineTraffic& Traffic() { return traffic_; }
    // "Gravar Sessão...": the transcript being written, if any.
    SessionRecording& Recording() { return *recording_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyDesignLook();
    void CreateComponents();
    void BindLamps();
    void ConnectHandlers();
    // Runs a change of the port's settings that may reopen it, and brings PortOpen and the
    // menu in line with the port afterwards, also when the change fails.
    void FollowingPort(const std::function<void()>& change);
    void PrepareTransfers(); // the command line's filter and the reception pane
    // One command on the line; false when it stopped half-way (the hardware went away,
    // the program is ending) and the rest of it was dropped.
    // `queued`: the command waited behind another send.
    bool SendCommand(const std::string& command, bool queued);
    bool Transmit(const std::string& command);
    bool SendPaced(char code);
    bool Put(char code);
    bool Pause(); // false: the program is ending
    bool StillSending();
    bool DevicePresent();
    void ReportHardwareLost();
    void QueueSend();
    void EmptyCommandLineIfAsked();
    // Up and Down in the command line; false for other keys.
    bool WalkHistory(const QKeyEvent& key);
    void ShowReceived(const std::string& chunk);
    void PutBackInCommandLine(const std::string& command);

    ReceptionPane* pane_ = nullptr;
    bool receiveHeld_ = false;             // something arrived while the pane was full
    std::vector<QEventLoop*> pauses_;      // the pauses now waiting, outermost first
    bool sending_ = false;                 // a send runs; others wait in waitingSends_
    std::deque<std::string> waitingSends_; // commands asked for during a send, in order
    bool closing_ = false;                 // the user agreed to end the program

    CommandHistory history_; // the commands sent in this run
    LineTraffic traffic_;
    // After the hub: it leaves the hub as it ends, and hears the port close first.
    std::unique_ptr<SessionRecording> recording_;
    // The window as the owner of its components, as the port's owner sees it.
    TComponent components_;
};

extern TQuelt* Quelt;

} // namespace tavrin
