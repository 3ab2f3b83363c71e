// The transcript file as a spreadsheet and a teacher read it: its preamble, its rows and
// notes, when rows reach the file, and files that cannot be written.

#include "app/line/Transcript.h"
#include "AppFixture.h"
#include "TranscriptReader.h"
#include "support/FileSizeLimit.h"
#include "support/SocatPair.h"
#include "support/TempConfig.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::testing {
namespace {

using std::chrono::milliseconds;

const LineSettings Com1{"COM1", 9600, 8, prNone, sbOneStopBit};

class TranscriptTest : public ::testing::Test {
protected:
    std::unique_ptr<Transcript> Start(const LineState& line = {Com1, false, false}) {
        QString fault;
        auto transcript = Transcript::Start(path, line, fault);
        EXPECT_TRUE(transcript) << fault.toStdString();
        started = LineClock::now();
        return transcript;
    }
    std::string Content() const { return ReadFile(path.toStdString()); }

    TempFolder folder;
    QString path = QString::fromStdString(folder.Path() + "/sessao.tsv");
    LineClock::time_point started;
};

TEST_F(TranscriptTest, RowsGiveTimeDirectionHexAndReadableText) {
    const struct {
        const char* name;
        bool sent;
        std::string bytes;
        const char* hex;
        const char* text;
    } rows[] = {
        {"a letter sent", true, "A", "41", "A"},
        {"a carriage return sent", true, "\r", "0D", "<CR>"},
        {"the command's end", true, std::string(1, '\0'), "00", "<NUL>"},
        {"a line received", false, "OK\r\n", "4F 4B 0D 0A", "OK<CR><LF>"},
        {"controls without a name", false, "\x01\x1b\x0c\x09", "01 1B 0C 09",
         "<0x01><ESC><FF><TAB>"},
        {"bytes from 0x80", false, "\x80\xe9", "80 E9", "€é"},
    };
    auto transcript = Start();
    int at = 0;
    for (const auto& row : rows) {
        at += 10;
        if (row.sent)
            transcript->Sent(started + milliseconds(at), row.bytes[0]);
        else
            transcript->Received(started + milliseconds(at), row.bytes);
    }
    transcript.reset();

    const ParsedTranscript parsed = ParseTranscript(Content());
    ExpectWellFormed(parsed);
    ASSERT_EQ(parsed.rows.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(parsed.rows[i].direction, rows[i].sent ? "TX" : "RX");
        EXPECT_EQ(parsed.rows[i].hex, rows[i].hex);
        EXPECT_EQ(parsed.rows[i].text, rows[i].text);
        if (i > 0) { // both times count from the same start: their distance is exact
            EXPECT_NEAR(parsed.rows[i].ms - parsed.rows[i - 1].ms, 10.0, 0.0015);
        }
    }
    EXPECT_NEAR(parsed.rows[0].ms, 10.0, 50.0) << "counted from the start of the recording";
    EXPECT_TRUE(parsed.endsWithNewline);
}

TEST_F(TranscriptTest, PreambleAndNotesTellTheProgramThePortAndWhatHappenedToIt) {
    auto transcript = Start({Com1, true, true});
    const auto at = started + milliseconds(5);
    transcript->DsrChanged(at, false);
    transcript->Closed(at);
    transcript->SettingsChanged(at, {"COM3", 19200, 7, prEven, sbTwoStopBits});
    transcript->Opened(at, {"COM3", 19200, 7, prEven, sbTwoStopBits});
    transcript->DsrChanged(at, true);
    TComErrors errors;
    errors.Include(errParity);
    errors.Include(errFrame);
    transcript->LineErrors(at, errors);
    transcript.reset();

    const ParsedTranscript parsed = ParseTranscript(Content());
    ExpectWellFormed(parsed);
    ASSERT_EQ(parsed.preamble.size(), 3u);
    EXPECT_EQ(parsed.preamble[1].rfind("gravação iniciada em 20", 0), 0u) << parsed.preamble[1];
    EXPECT_EQ(parsed.preamble[2], "porta: COM1 9600 8N1 (aberta, DSR ligado)");
    std::vector<std::string> texts;
    for (const std::string& note : parsed.notes)
        texts.push_back(note.substr(note.find(' ') + 1));
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "DSR desligado", "porta fechada", "configuração: COM3 19200 7E2",
                         "porta aberta: COM3 19200 7E2", "DSR ligado",
                         "erro na linha: paridade, quadro", "gravação encerrada"}));
}

TEST_F(TranscriptTest, AClosedPortIsSaidSo) {
    Start({Com1, false, false}).reset();
    const ParsedTranscript parsed = ParseTranscript(Content());
    ASSERT_EQ(parsed.preamble.size(), 3u);
    EXPECT_EQ(parsed.preamble[2], "porta: COM1 9600 8N1 (fechada)");
}

TEST_F(TranscriptTest, RowsReachTheFileWithinTheFlushDelayAndTheTimerRestsWhenNothingWaits) {
    auto transcript = Start();
    EXPECT_FALSE(transcript->FlushPending()) << "the preamble is written at once";
    const std::string preamble = Content();

    transcript->Sent(LineClock::now(), 'A');
    EXPECT_TRUE(transcript->FlushPending());
    // Without further events: the timer alone takes the row to the file.
    ASSERT_TRUE(WaitUntil([&] { return Content().size() > preamble.size(); }, 3000));
    EXPECT_FALSE(transcript->FlushPending()) << "no wake-ups while nothing waits";
    EXPECT_EQ(ParseTranscript(Content()).rows.size(), 1u);
}

TEST_F(TranscriptTest, AFloodGoesToTheFileInPiecesOfBoundedSize) {
    auto transcript = Start();
    const std::string chunk(1000, 'x'); // 4,000 bytes of transcript a row
    std::size_t fileSize = Content().size();
    int flushes = 0;
    for (int i = 0; i < 100; ++i) {
        transcript->Received(LineClock::now(), chunk);
        const std::size_t now = Content().size();
        if (now != fileSize)
            ++flushes;
        // Rows written so far, less what the file holds: what waits in memory.
        EXPECT_LT((i + 1) * 4000 + 200 - static_cast<long>(now),
                  static_cast<long>(Transcript::FlushSize + 4200));
        fileSize = now;
    }
    EXPECT_GE(flushes, 5) << "written as it grows, without the event loop";
    transcript.reset();
    const ParsedTranscript parsed = ParseTranscript(Content());
    ExpectWellFormed(parsed);
    EXPECT_EQ(parsed.rows.size(), 100u);
}

TEST_F(TranscriptTest, AFileThatCannotBeCreatedOrWrittenIsRefusedWithItsReason) {
    WriteFile(folder.Path() + "/um-arquivo", "");
    const std::string readOnly = folder.Path() + "/somente-leitura";
    ASSERT_EQ(::mkdir(readOnly.c_str(), 0555), 0);
    const std::string pipe = folder.Path() + "/canal";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    const struct {
        const char* name;
        std::string path;
        const char* reason;
        bool evenForRoot;
    } rows[] = {
        {"a missing folder", folder.Path() + "/nao-existe/sessao.tsv", "a pasta não existe", true},
        {"a file taken for a folder", folder.Path() + "/um-arquivo/sessao.tsv",
         "a pasta não existe", true},
        {"a folder of the system", "/sys/sessao.tsv", "não há permissão para escrever ali", true},
        {"a read-only folder", readOnly + "/sessao.tsv", "não há permissão para escrever ali",
         false},
        {"a folder's name", folder.Path(), "o nome é de uma pasta", true},
        {"a full disk", "/dev/full", "o disco está cheio", true},
        {"a named pipe nobody reads, which must not hold the window", pipe,
         "é um canal que ninguém está lendo", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.evenForRoot && ::geteuid() == 0)
            continue; // root writes there anyway; the row runs for an ordinary user
        QString fault;
        EXPECT_FALSE(Transcript::Start(QString::fromStdString(row.path), {Com1}, fault));
        EXPECT_EQ(fault.toStdString(), row.reason);
    }
}

// A write that fails after the start: the file size limit of the process (which binds
// root too) stops the file as a full disk would.
TEST_F(TranscriptTest, AWriteThatFailsLaterIsToldOnceFromTheEventLoopAndWritingStops) {
    auto transcript = Start();
    int told = 0;
    QString fault;
    bool insideListenerCall = false;
    transcript->OnFailure = [&](const QString& why) {
        ++told;
        fault = why;
        EXPECT_FALSE(insideListenerCall);
    };
    FileSizeLimit limit(8192);
    ASSERT_TRUE(limit.Set());
    insideListenerCall = true;
    for (int i = 0; i < 40; ++i)
        transcript->Received(LineClock::now(), std::string(1000, 'y'));
    insideListenerCall = false;
    limit.Lift();

    EXPECT_TRUE(transcript->Failed());
    EXPECT_EQ(told, 0) << "not from inside the window's handling of the line";
    ASSERT_TRUE(WaitUntil([&] { return told > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(fault.toStdString(), "o arquivo chegou ao tamanho máximo permitido");
    const std::string cut = Content();
    transcript->Received(LineClock::now(), "more");
    transcript.reset();
    EXPECT_EQ(Content(), cut) << "nothing written after the failure";
}

} // namespace
} // namespace tavrin::testing
