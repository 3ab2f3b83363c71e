#include "app/qt/Ansi.h"

#include <QByteArray>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

namespace tavrin {

namespace {
constexpr const char* CodePage = "windows-1252";

// One character through the code page and back; the byte when it survives the trip. A
// character the code page lacks comes back as another one (the converter substitutes it),
// and an encoder that met one stays in error, so each character gets a fresh encoder.
bool EncodeOne(char32_t ch, char& byte) {
    if (ch < 0x80) {
        byte = static_cast<char>(ch);
        return true;
    }
    const QString one = QString::fromUcs4(&ch, 1);
    QStringEncoder encoder(CodePage);
    const QByteArray bytes = encoder.encode(one);
    if (encoder.hasError() || bytes.size() != 1 || FromAnsi(bytes.toStdString()) != one)
        return false;
    byte = bytes.at(0);
    return true;
}
} // namespace

QString FromAnsi(std::string_view bytes) {
    QStringDecoder decoder(CodePage);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToAnsi(QStringView text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t ch : text.toUcs4()) {
        char byte = '?';
        result += EncodeOne(ch, byte) ? byte : '?';
    }
    return result;
}

bool FitsAnsi(QStringView text) {
    char byte = 0;
    for (char32_t ch : text.toUcs4())
        if (!EncodeOne(ch, byte))
            return false;
    return true;
}

} // namespace tavrin
