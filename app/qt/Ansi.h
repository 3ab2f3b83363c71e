#pragma once

// The engine's texts are strings of Windows-1252 bytes (one byte per character); the
// widgets hold QStrings. Conversions happen here and only at that boundary.

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace tavrin {

QString FromAnsi(std::string_view bytes);

// Characters that Windows-1252 lacks become '?'.
std::string ToAnsi(QStringView text);

// True when every character of `text` has a Windows-1252 byte.
bool FitsAnsi(QStringView text);

} // namespace tavrin
