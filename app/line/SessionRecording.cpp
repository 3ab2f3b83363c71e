#include "app/line/SessionRecording.h"

#include "app/qt/QtApplication.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>

namespace tavrin {

QString ChooseTranscriptFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Gravar Sessão"), QDir::homePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Sessão gravada, separada por tabulações (*.tsv)"),
                           QStringLiteral("Texto (*.txt)"),
                           QStringLiteral("Todos os arquivos (*)")});
    dialog.setDefaultSuffix(QStringLiteral("tsv"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Gravar"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nome do arquivo:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
    dialog.selectFile(
        QStringLiteral("sessao-%1.tsv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    // The dialog itself asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

SessionRecording::SessionRecording(LineTraffic& traffic, QAction& action,
                                   std::function<LineState()> line, QWidget* dialogParent)
    : traffic_(traffic), action_(action), line_(std::move(line)), dialogParent_(dialogParent),
      chooser_(ChooseTranscriptFile) {}

SessionRecording::~SessionRecording() {
    Stop();
}

void SessionRecording::SetFileChooser(FileChooser chooser) {
    chooser_ = chooser ? std::move(chooser) : FileChooser(ChooseTranscriptFile);
}

void SessionRecording::Toggled() {
    if (!action_.isChecked()) {
        Stop();
        return;
    }
    // The item stays unchecked until a file records: cancelling, or a file refused, leave
    // it as it was.
    action_.setChecked(false);
    const QString path = chooser_(dialogParent_);
    if (!path.isEmpty())
        Start(path);
}

bool SessionRecording::Start(const QString& path) {
    Stop();
    QString fault;
    std::unique_ptr<Transcript> transcript = Transcript::Start(path, line_(), fault);
    if (!transcript) {
        Failed(path, fault, false);
        return false;
    }
    transcript_ = std::move(transcript);
    Transcript* current = transcript_.get();
    current->OnFailure = [this, current](const QString& why) {
        if (transcript_.get() != current)
            return;
        // This runs inside the transcript, which therefore goes only after it returns.
        const QString failedPath = current->Path();
        traffic_.Leave(current);
        transcript_.release()->deleteLater();
        Failed(failedPath, why, true);
    };
    traffic_.Listen(current);
    action_.setChecked(true);
    return true;
}

void SessionRecording::Stop() {
    if (!transcript_)
        return;
    traffic_.Leave(transcript_.get());
    transcript_.reset();
    action_.setChecked(false);
}

void SessionRecording::Failed(const QString& path, const QString& fault, bool started) {
    action_.setChecked(false);
    const QString text =
        started ? QStringLiteral("A gravação da sessão no arquivo \"%1\" parou: %2.\n"
                                 "O que foi gravado até aqui continua no arquivo.")
                      .arg(path, fault)
                : QStringLiteral("Não foi possível gravar a sessão no arquivo \"%1\": %2.")
                      .arg(path, fault);
    QtApplication::Instance().MessageDlg(text, QMessageBox::Critical, QMessageBox::Ok);
}

} // namespace tavrin
