// "Gravar Sessão..." as a user meets it: checking asks for a file and records what crosses
// the line until unchecked; a file refused or a write that fails says why and unchecks
// it; the item stays true across a send's pause, the end of the program and --log.

#include "app/line/SessionRecording.h"
#include "../TransferFixture.h"
#include "TranscriptReader.h"
#include "app/Tavrin_Pj.h"
#include "support/FileSizeLimit.h"
#include "support/SocatPair.h"
#include "support/TempConfig.h"

#include <QFileDialog>

namespace tavrin::testing {
namespace {

class SessionRecordingTest : public TransferFixture {
protected:
    void SetUp() override {
        TransferFixture::SetUp();
        ChooseFile(path);
    }
    // The save dialog answers `chosen` ("" cancels), and counts how often it was asked.
    void ChooseFile(const QString& chosen) {
        Quelt->Recording().SetFileChooser([this, chosen](QWidget*) {
            ++asked;
            return chosen;
        });
    }
    static void ClickRecord() { Quelt->GravarSessao1->trigger(); }
    static bool Checked() { return Quelt->GravarSessao1->isChecked(); }
    static bool Recording() { return Quelt->Recording().Recording(); }
    ParsedTranscript Parsed() const { return ParseTranscript(ReadFile(path.toStdString())); }

    TempFolder folder;
    QString path = QString::fromStdString(folder.Path() + "/sessao.tsv");
    int asked = 0;
};

TEST_F(SessionRecordingTest, CheckingRecordsTheExchangeUntilUnchecked) {
    OpenPort();
    Quelt->nova_linha->setChecked(true);
    ClickRecord();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Checked());
    EXPECT_TRUE(Recording());

    Send(QStringLiteral("AB"));
    Receive("OK\r\n");
    ClickRecord();
    EXPECT_FALSE(Checked());
    EXPECT_FALSE(Recording());
    Send(QStringLiteral("C")); // after the end: not in the file

    const ParsedTranscript parsed = Parsed();
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.preamble.back(), "porta: TAVRINV1 9600 8N1 (aberta, DSR ligado)");
    EXPECT_EQ(parsed.SentHex(), (std::vector<std::string>{"0D", "0A", "41", "42", "00"}));
    EXPECT_EQ(parsed.ReceivedHex(), "4F 4B 0D 0A");
    ASSERT_FALSE(parsed.notes.empty());
    EXPECT_NE(parsed.notes.back().find("gravação encerrada"), std::string::npos);
    EXPECT_TRUE(parsed.endsWithNewline);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SessionRecordingTest, CancellingTheDialogLeavesItUncheckedAndWritesNothing) {
    ChooseFile(QString());
    ClickRecord();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Checked());
    EXPECT_FALSE(Recording());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SessionRecordingTest, AFileThatCannotBeWrittenIsToldAndLeavesItUnchecked) {
    const struct {
        const char* name;
        QString path;
        const char* reason;
    } rows[] = {
        {"a missing folder", QString::fromStdString(folder.Path() + "/falta/sessao.tsv"),
         "a pasta não existe"},
        {"a folder of the system", QStringLiteral("/sys/sessao.tsv"),
         "não há permissão para escrever ali"},
        {"a full disk", QStringLiteral("/dev/full"), "o disco está cheio"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        ChooseFile(row.path);
        ClickRecord();
        EXPECT_FALSE(Checked());
        EXPECT_FALSE(Recording());
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_EQ(Errors()[0],
                  QStringLiteral("Não foi possível gravar a sessão no arquivo \"%1\": %2.")
                      .arg(row.path, QString::fromUtf8(row.reason)));
        // The program goes on: the port opens and sends as before.
        OpenPort();
        Send(QStringLiteral("A"));
        EXPECT_EQ(Wire(), Bytes({'A', 0}));
    }
}

// The file size limit of the process binds root too, and stops the file as a full disk.
TEST_F(SessionRecordingTest, AWriteThatFailsLaterIsToldAndUnchecksIt) {
    OpenPort();
    ClickRecord();
    ASSERT_TRUE(Recording());
    FileSizeLimit limit(16384);
    ASSERT_TRUE(limit.Set());
    // The device holds 1 KiB: the flood comes in pieces the window reads one by one.
    for (int i = 0; i < 40 && Errors().empty(); ++i) {
        device->Inject(std::string(1000, 'z'));
        WaitUntil([this] { return device->QueuedInput() == 0; });
    }
    const bool told = WaitUntil([this] { return !Errors().empty(); });
    limit.Lift();

    ASSERT_TRUE(told);
    EXPECT_EQ(Errors()[0],
              QStringLiteral("A gravação da sessão no arquivo \"%1\" parou: o arquivo chegou ao "
                             "tamanho máximo permitido.\nO que foi gravado até aqui continua no "
                             "arquivo.")
                  .arg(path));
    EXPECT_FALSE(Checked());
    EXPECT_FALSE(Recording());
    Receive("more"); // the window goes on reading
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(SessionRecordingTest, UncheckingDuringASendsPauseEndsTheFileAndTheSendGoesOn) {
    OpenPort();
    ClickRecord();
    DuringFirstPause([] { Quelt->GravarSessao1->trigger(); });
    Send(QStringLiteral("abcdefghij"));

    EXPECT_EQ(Wire(), "abcdefghij" + std::string(1, '\0'));
    EXPECT_FALSE(Checked());
    const ParsedTranscript parsed = Parsed();
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.SentHex(), std::vector<std::string>{"61"});
    EXPECT_NE(parsed.notes.back().find("gravação encerrada"), std::string::npos);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SessionRecordingTest, CheckingAgainDuringASendsPauseStartsAFreshFile) {
    OpenPort();
    const QString second = QString::fromStdString(folder.Path() + "/segunda.tsv");
    ClickRecord();
    DuringFirstPause([&] {
        Quelt->GravarSessao1->trigger(); // unchecked
        ChooseFile(second);
        Quelt->GravarSessao1->trigger(); // checked again, into another file
    });
    Send(QStringLiteral("xyz"));
    EXPECT_TRUE(Checked());
    ClickRecord();

    EXPECT_EQ(Parsed().SentHex(), std::vector<std::string>{"78"});
    EXPECT_EQ(ParseTranscript(ReadFile(second.toStdString())).SentHex(),
              (std::vector<std::string>{"79", "7A", "00"}));
}

TEST_F(SessionRecordingTest, EndingTheProgramWhileRecordingCompletesAndClosesTheFile) {
    OpenPort();
    ClickRecord();
    Receive("fim");
    answers = {QMessageBox::Ok}; // "A porta ... será fechada agora."
    QTimer::singleShot(0, Quelt, [] { Quelt->close(); });
    EXPECT_EQ(app->Run(), 0);
    app.reset(); // the windows go, as at the end of the program

    const ParsedTranscript parsed = Parsed();
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.ReceivedHex(), "66 69 6D");
    ASSERT_GE(parsed.notes.size(), 2u);
    EXPECT_NE(parsed.notes[parsed.notes.size() - 2].find("porta fechada"), std::string::npos);
    EXPECT_NE(parsed.notes.back().find("gravação encerrada"), std::string::npos);
    EXPECT_TRUE(parsed.endsWithNewline);
}

TEST_F(SessionRecordingTest, TheSaveDialogProposesATsvFileAndAddsTheSuffix) {
    Quelt->Recording().SetFileChooser(nullptr); // the real dialog
    QString caption;
    QStringList filters;
    QTimer::singleShot(0, Quelt, [&] {
        QFileDialog* dialog = nullptr;
        WaitUntil([&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible())
                    dialog = found;
            return dialog != nullptr;
        });
        ASSERT_TRUE(dialog);
        caption = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(QString::fromStdString(folder.Path() + "/aula3"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ClickRecord();

    EXPECT_EQ(caption, QStringLiteral("Gravar Sessão"));
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters.front().endsWith(QStringLiteral("(*.tsv)")))
        << filters.front().toStdString();
    ASSERT_TRUE(Recording());
    EXPECT_EQ(Quelt->Recording().Current()->Path(),
              QString::fromStdString(folder.Path() + "/aula3.tsv"));
}

// --log FILE records from the start, as if the item had been checked; a file refused is
// told, and the program starts all the same.
TEST(SessionRecordingAtStartTest, LogOptionRecordsFromTheStartOrSaysWhyNot) {
    TempFolder folder;
    const struct {
        const char* name;
        QString log;
        bool records;
    } rows[] = {
        {"a file that can be written", QString::fromStdString(folder.Path() + "/inicio.tsv"), true},
        {"a missing folder", QString::fromStdString(folder.Path() + "/falta/inicio.tsv"), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ParkMouse();
        ResetModuleState();
        bool checked = !row.records;
        bool windowShown = false;
        std::vector<MessageRequest> shown;
        // The first turn of the program's message loop: the recording has started by the
        // second.
        QTimer::singleShot(0, [&] {
            QtApplication::Instance().SetMessageFunction([&](const MessageRequest& request) {
                shown.push_back(request);
                return QMessageBox::Yes;
            });
            QTimer::singleShot(0, [&] {
                checked = Quelt->GravarSessao1->isChecked();
                windowShown = Quelt->isVisible();
                Quelt->close();
            });
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(20000);

        EXPECT_EQ(Tavrin_Pj(StartOptions{"ttyUSB7", row.log}), 0);

        EXPECT_EQ(checked, row.records);
        EXPECT_TRUE(windowShown);
        const std::string content = ReadFile(row.log.toStdString());
        if (row.records) {
            const ParsedTranscript parsed = ParseTranscript(content);
            ExpectWellFormed(parsed);
            EXPECT_EQ(parsed.preamble.back(), "porta: ttyUSB7 9600 8N1 (fechada)");
            ASSERT_FALSE(parsed.notes.empty());
            EXPECT_NE(parsed.notes.back().find("gravação encerrada"), std::string::npos);
            ASSERT_EQ(shown.size(), 1u) << "only the exit question";
        } else {
            ASSERT_EQ(shown.size(), 2u) << "the refusal, then the exit question";
            EXPECT_EQ(shown[0].kind, QMessageBox::Critical);
            EXPECT_TRUE(shown[0].text.contains(QStringLiteral("a pasta não existe")));
        }
    }
}

} // namespace
} // namespace tavrin::testing
