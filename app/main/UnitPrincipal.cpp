#include "app/main/UnitPrincipal.h"

#include "app/line/SessionRecording.h"
#include "app/main/MainWindowAccessibility.h"
#include "app/main/PortOpenFailure.h"
#include "app/qt/QtApplication.h"
#include "app/windows/UnitAjuda.h"
#include "app/windows/UnitConfigTerm.h"
#include "app/windows/UnitMonitor.h"
#include "app/windows/UnitSobre.h"

#include <QTimer>

namespace tavrin {

bool PortOpen = false;
bool HardwareDetected = false;
bool PacingElapsed = false;
std::int32_t MaxCommandLength = 32;
std::int32_t RemainingChars = 32;

TQuelt* Quelt = nullptr;

namespace {
// Where the port's settings are stored; the key below it is named after the component.
const std::string SettingsPath = "HKEY_LOCAL_MACHINE\\Software\\Ketno";
} // namespace

TQuelt::TQuelt(QWidget* parent) : QMainWindow(parent) {
    setupUi(this);
    ApplyDesignLook();
    CreateComponents();
    ConnectHandlers();
    PrepareTransfers();
    DescribeMainWindow(*this);
    FormCreate();
}

TQuelt::~TQuelt() {
    if (QtApplication::Exists())
        QtApplication::Instance().OnHint = nullptr;
    // The monitor listens to this window's traffic, which goes with the window.
    delete FormMonitor;
    // The port goes first, while the window it reports to is still whole: destroying it
    // closes it, and closing reports the DSR line one last time.
    delete ComPort;
    ComPort = nullptr;
}

void TQuelt::CreateComponents() {
    ComPort = new TComPort(&components_);
    ComPort->SetName("ComPort");
    ComPort->BeginLoading();
    ComPort->SetPort("COM1");
    ComPort->SetBaudRate(br9600);
    ComPort->SetDataBits(dbEight);
    ComPort->SetStopBits(sbOneStopBit);
    ComPort->Parity().SetBits(prNone);
    ComPort->SetEvents(AllComEvents);
    TComFlowControl& flow = ComPort->FlowControl();
    flow.SetOutCTSFlow(false);
    flow.SetOutDSRFlow(false);
    flow.SetControlDTR(dtrEnable);
    flow.SetControlRTS(rtsHandshake);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    ComPort->OnRxChar = [this](TObject* Sender, std::int32_t Count) {
        ComPortRxChar(Sender, Count);
    };
    ComPort->OnDSRChange = [this](TObject* Sender, bool OnOff) { ComPortDSRChange(Sender, OnOff); };
    ComPort->OnError = [this](TObject*, TComErrors Errors) { traffic_.LineErrors(Errors); };
    ComPort->OnAfterOpen = [this](TObject*) { traffic_.Opened(SettingsOf(*ComPort)); };
    ComPort->OnAfterClose = [this](TObject*) { traffic_.Closed(); };
    ComPort->EndLoading();
    traffic_.Follow(SettingsOf(*ComPort));
    recording_ = std::make_unique<SessionRecording>(
        traffic_, *GravarSessao1,
        [this] {
            return LineState{SettingsOf(*ComPort), ComPort->Connected(), HardwareDetected};
        },
        this);
    BindLamps();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
}

void TQuelt::FormCreate() {
    MaxCommandLength = 32;
    RemainingChars = MaxCommandLength;
    CR->setText(QString::number(RemainingChars));
    QtApplication::Instance().OnHint = [this] { ShowHint(); };
    AbrirPorta1->setEnabled(true);
    FecharPorta1->setEnabled(false);
}

void TQuelt::ShowHint() {
    StatusBar1->SetPanelText(0, QtApplication::Instance().Hint());
}

void TQuelt::AbrirPorta1Click() {
    if (ComPort->Connected())
        return;
    OpenPortExplained(*ComPort);
    apagar(false);
    PortOpen = true;
    AbrirPorta1->setEnabled(false);
    FecharPorta1->setEnabled(true);
}

void TQuelt::FecharPorta1Click() {
    if (!ComPort->Connected())
        return;
    ComPort->ClosePort();
    PortOpen = false;
    FecharPorta1->setEnabled(false);
    AbrirPorta1->setEnabled(true);
}

void TQuelt::ConfiguraPorta1Click() {
    FollowingPort([this] { ComPort->ShowSetup(); });
}

void TQuelt::FollowingPort(const std::function<void()>& change) {
    // A device named by the change that cannot be opened leaves the port closed; the window
    // must then say so, or neither "Abrir Porta" nor "Fechar Porta" would work again.
    const auto followPort = [this] {
        if (PortOpen && ComPort && !ComPort->Connected()) {
            PortOpen = false;
            FecharPorta1->setEnabled(false);
            AbrirPorta1->setEnabled(true);
        }
        if (ComPort)
            traffic_.Follow(SettingsOf(*ComPort));
    };
    try {
        change();
    } catch (...) {
        followPort();
        throw;
    }
    followPort();
}

void TQuelt::Terminal1Click() {
    ConfigTerm->ShowModal();
}

void TQuelt::ComandoseIndicadores1Click() {
    FormAjuda->ShowModal();
}

void TQuelt::Sobre2Click() {
    FormSobre->ShowModal();
}

void TQuelt::MonitordaLinha1Click() {
    if (!FormMonitor)
        new TFormMonitor(traffic_, this);
    FormMonitor->show();
    FormMonitor->raise();
    FormMonitor->activateWindow();
}

void TQuelt::FormCloseQuery(bool& CanClose) {
    QtApplication& app = QtApplication::Instance();
    if (ComPort->Connected()) {
        const auto answer = app.MessageDlg(
            QStringLiteral("A porta de comunicação ainda está aberta e será fechada agora."),
            QMessageBox::Question, QMessageBox::Ok);
        // Closing the box by its close box is no agreement: the port and the program stay.
        CanClose = answer == QMessageBox::Ok;
        if (CanClose)
            ComPort->ClosePort();
    } else {
        CanClose = app.MessageDlg(QStringLiteral("Deseja sair?"), QMessageBox::Question,
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
}

void TQuelt::GravarSessao1Click() {
    recording_->Toggled();
}

void TQuelt::Bt_StoreClick() {
    ComPort->SaveSettings(ssRegistry, SettingsPath);
}

void TQuelt::Bt_LoadClick() {
    // Loaded settings may name another device, which the port reopens at once.
    FollowingPort([this] { ComPort->RestoreSettings(ssRegistry, SettingsPath); });
}

} // namespace tavrin
