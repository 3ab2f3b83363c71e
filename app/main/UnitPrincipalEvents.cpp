// Where Qt enters the main window: signals of its controls, events of the window and of the
// command line. Every entry runs guarded, so that an error ends only the handler it came
// from and the window goes on working.

#include "app/main/UnitPrincipal.h"
#include "app/qt/Guarded.h"
#include "app/qt/QtApplication.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QStatusTipEvent>
#include <QTimer>

namespace tavrin {

namespace {
template <class Sender, class Signal>
void Bind(TQuelt* form, Sender* sender, Signal signal, void (TQuelt::*handler)()) {
    QObject::connect(sender, signal, form, Guarded([form, handler] { (form->*handler)(); }));
}
} // namespace

void TQuelt::ConnectHandlers() {
    Bind(this, AbrirPorta1, &QAction::triggered, &TQuelt::AbrirPorta1Click);
    Bind(this, FecharPorta1, &QAction::triggered, &TQuelt::FecharPorta1Click);
    Bind(this, ConfiguraPorta1, &QAction::triggered, &TQuelt::ConfiguraPorta1Click);
    Bind(this, Terminal1, &QAction::triggered, &TQuelt::Terminal1Click);
    Bind(this, ComandoseIndicadores1, &QAction::triggered, &TQuelt::ComandoseIndicadores1Click);
    Bind(this, Sobre2, &QAction::triggered, &TQuelt::Sobre2Click);
    Bind(this, MonitordaLinha1, &QAction::triggered, &TQuelt::MonitordaLinha1Click);
    Bind(this, GravarSessao1, &QAction::triggered, &TQuelt::GravarSessao1Click);
    Bind(this, Button_Send, &QPushButton::clicked, &TQuelt::Button_SendClick);
    Bind(this, BitBtn1, &QPushButton::clicked, &TQuelt::BitBtn1Click);
    Bind(this, BitBtn2, &QPushButton::clicked, &TQuelt::BitBtn2Click);
    Bind(this, Button1, &QPushButton::clicked, &TQuelt::Button1Click);
    Bind(this, Bt_Store, &QPushButton::clicked, &TQuelt::Bt_StoreClick);
    Bind(this, Bt_Load, &QPushButton::clicked, &TQuelt::Bt_LoadClick);
    Bind(this, Timer1, &QTimer::timeout, &TQuelt::Timer1Timer);
    Edit_Data->installEventFilter(this);
    Button_Send->installEventFilter(this);
    BitBtn1->installEventFilter(this);
}

namespace {
bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

bool TQuelt::event(QEvent* event) {
    // The status tip is the application's hint, which ShowHint puts into panel 0.
    // QMainWindow would show it as a status bar message instead, hiding the panels.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        RunGuarded([&] { QtApplication::Instance().SetHint(tip); });
        return true;
    }
    return QMainWindow::event(event);
}

void TQuelt::keyPressEvent(QKeyEvent* event) {
    // Qt honours default buttons only in dialogs. Enter that no control took (the command
    // line passes it on) presses the window's default button; a focused button takes
    // Enter itself, as its auto-default makes it do.
    if (IsEnter(event)) {
        // Enter held down repeats while a send runs: those repeats are no requests of the
        // user, and must not line up sends behind it.
        if (!(event->isAutoRepeat() && sending_))
            Button_Send->click();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TQuelt::eventFilter(QObject* watched, QEvent* event) {
    // A send button with the focus takes Enter itself; its repeats are dropped the same way.
    if ((watched == Button_Send || watched == BitBtn1) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnter(key) && key->isAutoRepeat() && sending_)
            return true;
    }
    if (watched == Edit_Data && event->type() == QEvent::KeyPress) {
        bool taken = false;
        RunGuarded([&] { taken = WalkHistory(*static_cast<QKeyEvent*>(event)); });
        if (taken)
            return true;
    }
    // Holding a key down repeats presses only: one release per key, as the user made it.
    if (watched == Edit_Data && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            RunGuarded([&] { Edit_DataKeyUp(key); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TQuelt::closeEvent(QCloseEvent* event) {
    bool CanClose = true;
    try {
        FormCloseQuery(CanClose);
    } catch (...) {
        // An error never keeps the program from ending: the query exists to ask the user,
        // and destroying the port closes it anyway.
        ReportCurrentError();
        CanClose = true;
    }
    // A send running underneath (the query came during one of its pauses) stops quietly.
    closing_ = closing_ || CanClose;
    event->setAccepted(CanClose);
}

} // namespace tavrin
