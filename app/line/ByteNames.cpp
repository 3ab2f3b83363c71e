#include "app/line/ByteNames.h"

#include "app/qt/Ansi.h"

#include <array>

namespace tavrin {

namespace {

struct Names {
    std::array<QString, 256> shown;
    std::array<std::string, 256> readable; // UTF-8, named bytes in angle brackets
    std::array<bool, 256> named{};
};

// The control characters a student meets on a microcontroller's line, by the names its
// datasheets and terminals use; the others are shown by their codes.
const char* ControlName(unsigned char byte) {
    switch (byte) {
    case 0x00:
        return "NUL";
    case 0x08:
        return "BS";
    case 0x09:
        return "TAB";
    case 0x0A:
        return "LF";
    case 0x0C:
        return "FF";
    case 0x0D:
        return "CR";
    case 0x1B:
        return "ESC";
    case 0x7F:
        return "DEL";
    default:
        return nullptr;
    }
}

Names MakeNames() {
    Names names;
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<unsigned char>(code);
        QString shown;
        if (const char* name = ControlName(byte)) {
            shown = QString::fromLatin1(name);
            names.named[byte] = true;
        } else if (byte < 0x20) {
            shown = HexOf(byte);
            names.named[byte] = true;
        } else {
            const char raw = static_cast<char>(byte);
            shown = FromAnsi(std::string_view(&raw, 1));
            // Windows-1252 leaves five bytes undefined; a decoder hands them back as C1
            // controls or a replacement mark, neither of which a reader can see.
            const char16_t ch = shown.isEmpty() ? u'\uFFFD' : shown.at(0).unicode();
            if (shown.size() != 1 || (ch >= 0x80 && ch < 0xA0) || ch == u'\uFFFD') {
                shown = HexOf(byte);
                names.named[byte] = true;
            }
        }
        names.shown[byte] = shown;
        const std::string utf8 = shown.toStdString();
        names.readable[byte] = names.named[byte] ? '<' + utf8 + '>' : utf8;
    }
    return names;
}

const Names& AllNames() {
    static const Names names = MakeNames();
    return names;
}

} // namespace

const QString& ByteName(unsigned char byte) {
    return AllNames().shown[byte];
}

bool IsNamed(unsigned char byte) {
    return AllNames().named[byte];
}

std::string ReadableText(std::string_view bytes) {
    const Names& names = AllNames();
    std::string text;
    text.reserve(bytes.size());
    for (char ch : bytes)
        text += names.readable[static_cast<unsigned char>(ch)];
    return text;
}

QString HexOf(unsigned char byte) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    const char text[] = {'0', 'x', Digits[byte >> 4], Digits[byte & 0xF]};
    return QString::fromLatin1(text, 4);
}

} // namespace tavrin
