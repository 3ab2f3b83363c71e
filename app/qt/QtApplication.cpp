#include "app/qt/QtApplication.h"

#include "app/qt/Ansi.h"
#include "app/qt/FormStyle.h"
#include "app/qt/Guarded.h"
#include "base/Application.h"
#include "base/GuiQueue.h"

#include <QApplication>
#include <QFont>
#include <QSocketNotifier>
#include <QWidget>

#include <cassert>

// Q_INIT_RESOURCE names a global function and must not sit inside a namespace. The
// resources live in a static library, where nothing else would pull them into the program.
static void InitTavrinResources() {
    Q_INIT_RESOURCE(tavrin);
}

namespace tavrin {

namespace {

QtApplication* instance = nullptr;

QString CaptionOf(QMessageBox::Icon kind) {
    switch (kind) {
    case QMessageBox::Question:
        return QStringLiteral("Confirmação");
    case QMessageBox::Warning:
        return QStringLiteral("Aviso");
    case QMessageBox::Critical:
        return QStringLiteral("Erro");
    default:
        return QStringLiteral("Informação");
    }
}

} // namespace

QtApplication::QtApplication() {
    assert(qApp && "a QApplication must exist first");
    assert(!instance && "only one application object at a time");
    instance = this;
    InitTavrinResources();
    SubstituteDesignFonts();

    gui_queue::SetGuiThread();
    Application& app = Application::Instance();
    // The engine's messages (and the title as the class library keeps it) are Windows-1252.
    app.SetErrorHandler([this](const std::string& title, const std::string& message) {
        Show({QMessageBox::Critical, FromAnsi(title), FromAnsi(message), QMessageBox::Ok});
    });
    app.SetMessagePump([this] { ProcessMessages(); });
    InstallWakeUp();
    qApp->installEventFilter(this);
}

QtApplication::~QtApplication() {
    qApp->removeEventFilter(this);
    while (!forms_.empty()) {
        Form form = forms_.back();
        forms_.pop_back();
        delete form.widget;
        form.forget();
    }
    Application& app = Application::Instance();
    app.SetErrorHandler(nullptr);
    app.SetMessagePump(nullptr);
    app.SetTitle({});
    instance = nullptr;
}

QtApplication& QtApplication::Instance() {
    assert(instance && "no application object");
    return *instance;
}

bool QtApplication::Exists() {
    return instance != nullptr;
}

void QtApplication::SetTitle(const QString& title) {
    title_ = title;
    Application::Instance().SetTitle(ToAnsi(title));
}

void QtApplication::AddForm(QWidget* form, std::function<void()> forget) {
    // Only the main form ends the program when it closes; the others are only hidden.
    form->setAttribute(Qt::WA_QuitOnClose, forms_.empty());
    forms_.push_back({form, std::move(forget)});
}

std::vector<QWidget*> QtApplication::Forms() const {
    std::vector<QWidget*> result;
    for (const Form& form : forms_)
        result.push_back(form.widget);
    return result;
}

int QtApplication::Run() {
    if (QWidget* main = MainForm())
        main->show();
    return QApplication::exec();
}

QMessageBox::StandardButton QtApplication::MessageDlg(const QString& text, QMessageBox::Icon kind,
                                                      QMessageBox::StandardButtons buttons) {
    return Show({kind, CaptionOf(kind), text, buttons});
}

QMessageBox::StandardButton QtApplication::Show(const MessageRequest& request) {
    return message_ ? message_(request) : ExecMessageBox(request);
}

void QtApplication::SetMessageFunction(MessageFunction function) {
    message_ = std::move(function);
}

void QtApplication::ProcessMessages() {
    QCoreApplication::processEvents();
    gui_queue::RunPending();
}

void QtApplication::InstallWakeUp() {
    const int descriptor = gui_queue::WakeDescriptor();
    if (descriptor < 0)
        return;
    wakeUp_ = new QSocketNotifier(static_cast<qintptr>(descriptor), QSocketNotifier::Read, this);
    connect(wakeUp_, &QSocketNotifier::activated, this, Guarded([] { gui_queue::RunPending(); }));
}

} // namespace tavrin
