#pragma once

// The application object on Qt: title, the forms it creates and the message loop, the
// default error handling as a modal error box, processing of waiting messages, the GUI
// thread's wake-up for work queued by other threads, and hint routing. Exactly one exists
// while the program (or a test) runs; it needs a QApplication.

#include "app/qt/MessageBoxes.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace tavrin {

class QtApplication : public QObject {
    Q_OBJECT
public:
    QtApplication();
    // Destroys the forms, last created first, and unhooks the class library's application.
    ~QtApplication() override;
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    static QtApplication& Instance();
    static bool Exists();

    QString Title() const { return title_; }
    // Also the class library's title (in Windows-1252), so engine code sees it too.
    void SetTitle(const QString& title);

    // Creates a form and fills the global reference to it. The first form created is the
    // main form: Run shows it, and the program ends when it closes.
    template <class T> void CreateForm(T*& reference) {
        reference = new T();
        AddForm(reference, [&reference] { reference = nullptr; });
    }
    QWidget* MainForm() const { return forms_.empty() ? nullptr : forms_.front().widget; }
    std::vector<QWidget*> Forms() const;

    // Shows the main form and runs the message loop until the main form has closed.
    int Run();

    // ---- Message boxes ----------------------------------------------------------------
    // A box captioned by its kind (confirmation, warning, information, error).
    QMessageBox::StandardButton MessageDlg(const QString& text, QMessageBox::Icon kind,
                                           QMessageBox::StandardButtons buttons);
    // Every box goes through this function; tests put their own in. An empty function
    // restores the real boxes.
    void SetMessageFunction(MessageFunction function);

    // ---- Waiting messages -------------------------------------------------------------
    // Qt's waiting events, then the work other threads queued for the GUI thread.
    void ProcessMessages();

    // ---- Hints ------------------------------------------------------------------------
    // The current hint: the status text of the control under the mouse or of the
    // highlighted menu item, empty where there is none. Setting it calls OnHint.
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);
    std::function<void()> OnHint;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Form {
        QWidget* widget;
        std::function<void()> forget;
    };
    void AddForm(QWidget* form, std::function<void()> forget);
    QMessageBox::StandardButton Show(const MessageRequest& request);
    void InstallWakeUp();

    QString title_;
    QString hint_;
    MessageFunction message_;
    std::vector<Form> forms_;
    QSocketNotifier* wakeUp_ = nullptr;
};

} // namespace tavrin
