#pragma once

// The engine's texts are bytes in Windows-1252; the controls show them as Qt strings. One
// byte is one character both ways; a character the code page lacks becomes '?'.

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <string>

namespace tavrin::ctl {

inline QString FromAnsi(const std::string& text) {
    QStringDecoder decode("windows-1252");
    return decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

inline std::string ToAnsi(const QString& text) {
    QStringEncoder encode("windows-1252", QStringConverter::Flag::Default);
    const QByteArray bytes = encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace tavrin::ctl
