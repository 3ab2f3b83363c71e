#include "app/line/Transcript.h"

#include "app/line/ByteNames.h"

#include <QDateTime>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavrin {

namespace {

const char* const Heading = "tempo_ms\tsentido\thex\ttexto\n";

// Everything of `text` into the file, through interruptions and partial writes; 0 or the
// error.
int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string Preamble(const LineState& line) {
    std::string text = "# Tavrin " TAVRIN_VERSION "\n";
    text += "# gravação iniciada em " +
            QDateTime::currentDateTime().toString(Qt::ISODate).toStdString() + '\n';
    text += "# porta: " + Describe(line.settings);
    if (!line.open)
        text += " (fechada)\n";
    else
        text += line.dsr ? " (aberta, DSR ligado)\n" : " (aberta, DSR desligado)\n";
    return text + Heading;
}

} // namespace

std::string MillisecondsText(LineClock::duration elapsed) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    const auto positive = micros < 0 ? 0 : micros;
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(positive / 1000),
                  static_cast<long long>(positive % 1000));
    return text;
}

std::string HexBytes(std::string_view bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        if (!text.empty())
            text += ' ';
        text += Digits[byte >> 4];
        text += Digits[byte & 0xF];
    }
    return text;
}

std::string DescribeErrors(TComErrors errors) {
    static const struct {
        TComErrorKind kind;
        const char* name;
    } Names[] = {{errParity, "paridade"},
                 {errFrame, "quadro"},
                 {errOverrun, "estouro"},
                 {errBreak, "break"},
                 {errRxOverflow, "fila de recepção cheia"},
                 {errTxFull, "fila de transmissão cheia"},
                 {errIO, "entrada e saída"},
                 {errMode, "modo"}};
    std::string text;
    for (const auto& name : Names)
        if (errors.Contains(name.kind))
            text += (text.empty() ? "" : ", ") + std::string(name.name);
    return text;
}

QString FileFaultText(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("a pasta não existe");
    case EACCES:
    case EPERM:
        return QStringLiteral("não há permissão para escrever ali");
    case EROFS:
        return QStringLiteral("o disco só pode ser lido");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("o disco está cheio");
    case EISDIR:
        return QStringLiteral("o nome é de uma pasta");
    case EFBIG:
        return QStringLiteral("o arquivo chegou ao tamanho máximo permitido");
    case ENXIO:
        return QStringLiteral("é um canal que ninguém está lendo");
    case EIO:
        return QStringLiteral("erro de entrada e saída no disco");
    default:
        return QStringLiteral("erro do sistema %1 (%2)")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

std::unique_ptr<Transcript> Transcript::Start(const QString& path, const LineState& line,
                                              QString& fault) {
    const QByteArray name = path.toLocal8Bit();
    // Not blocking while it opens: a named pipe without a reader would otherwise hold the
    // window until someone read it. The writes then block as they do on any file.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        fault = FileFaultText(errno);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::unique_ptr<Transcript> transcript(new Transcript(path, fd));
    // The preamble goes to the file at once: a file that takes nothing is told now, while
    // the user still looks at the dialog that named it.
    if (const int error = WriteAll(fd, Preamble(line)); error != 0) {
        fault = FileFaultText(error);
        ::close(fd);
        transcript->fd_ = -1;
        return nullptr;
    }
    return transcript;
}

Transcript::Transcript(const QString& path, int fd)
    : path_(path), fd_(fd), start_(LineClock::now()) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(FlushDelayMs);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
}

Transcript::~Transcript() {
    if (fd_ < 0)
        return;
    Note(LineClock::now(), "gravação encerrada");
    // No one is left to tell of a last failed write: the file is as complete as it can be.
    WriteAll(fd_, waiting_);
    ::close(fd_);
}

void Transcript::Flush() {
    flushTimer_.stop();
    if (fd_ < 0 || waiting_.empty())
        return;
    const int error = WriteAll(fd_, waiting_);
    waiting_.clear();
    if (error != 0)
        Fail(error);
}

void Transcript::Fail(int error) {
    ::close(fd_);
    fd_ = -1;
    waiting_.clear();
    waiting_.shrink_to_fit();
    // The owner reacts by ending the recording and showing a box; neither may happen inside
    // the window's handling of the line, which called us.
    const QString fault = FileFaultText(error);
    QMetaObject::invokeMethod(
        this,
        [this, fault] {
            if (OnFailure)
                OnFailure(fault);
        },
        Qt::QueuedConnection);
}

void Transcript::Append(std::string_view text) {
    if (fd_ < 0)
        return;
    waiting_ += text;
    if (waiting_.size() >= FlushSize)
        Flush();
    else if (!flushTimer_.isActive())
        flushTimer_.start();
}

void Transcript::Row(LineClock::time_point at, const char* direction, std::string_view bytes) {
    if (fd_ < 0)
        return;
    std::string row = MillisecondsText(at - start_);
    row += '\t';
    row += direction;
    row += '\t';
    row += HexBytes(bytes);
    row += '\t';
    row += ReadableText(bytes);
    row += '\n';
    Append(row);
}

void Transcript::Note(LineClock::time_point at, std::string_view text) {
    std::string line = "# " + MillisecondsText(at - start_) + ' ';
    line += text;
    line += '\n';
    Append(line);
}

void Transcript::Sent(LineClock::time_point at, char byte) {
    Row(at, "TX", std::string_view(&byte, 1));
}

void Transcript::Received(LineClock::time_point at, std::string_view bytes) {
    Row(at, "RX", bytes);
}

void Transcript::LineErrors(LineClock::time_point at, TComErrors errors) {
    Note(at, "erro na linha: " + DescribeErrors(errors));
}

void Transcript::Opened(LineClock::time_point at, const LineSettings& settings) {
    Note(at, "porta aberta: " + Describe(settings));
}

void Transcript::Closed(LineClock::time_point at) {
    Note(at, "porta fechada");
}

void Transcript::SettingsChanged(LineClock::time_point at, const LineSettings& settings) {
    Note(at, "configuração: " + Describe(settings));
}

void Transcript::DsrChanged(LineClock::time_point at, bool on) {
    Note(at, on ? "DSR ligado" : "DSR desligado");
}

} // namespace tavrin
