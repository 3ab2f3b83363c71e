#pragma once

// How a byte of the line reads to a person. A control character has no face of its own, so
// it is shown by its name (NUL, CR, LF...) or, lacking a common one, by its code (0x01); a
// byte from 0x80 is the character Windows-1252 gives it, as the reception pane shows it.

#include <QString>

#include <string>
#include <string_view>

namespace tavrin {

// "A", "NUL", "CR", "0x01", "é", "€"; a byte that Windows-1252 leaves undefined by its code.
const QString& ByteName(unsigned char byte);

// True for the bytes ByteName shows by a name or a code rather than as themselves.
bool IsNamed(unsigned char byte);

// The bytes as UTF-8 text, each named byte in angle brackets: "<CR><LF>OK", "<0x01>é".
std::string ReadableText(std::string_view bytes);

// "0x41".
QString HexOf(unsigned char byte);

} // namespace tavrin
