// Texts cross between the engine's Windows-1252 bytes and the widgets' Unicode.

#include "app/qt/Ansi.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

struct AnsiCase {
    const char* name;
    std::string bytes;
    QString text;
};

TEST(AnsiTest, BytesAndTextsConvertBothWays) {
    const AnsiCase rows[] = {
        {"plain ASCII", "OK\r\n", QStringLiteral("OK\r\n")},
        {"Portuguese accents", "Comunica\xE7\xE3o n\xE3o", QStringLiteral("Comunicação não")},
        {"the code page's own block", "\x80\x93\x94\x9F", QStringLiteral("€“”Ÿ")},
        {"Latin-1 range", "\xA9\xFF", QStringLiteral("©ÿ")},
        {"control characters and NUL", std::string("\x0C\x00\x01", 3),
         QString::fromUtf16(u"\f\0\1", 3)},
    };
    for (const AnsiCase& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FromAnsi(row.bytes), row.text);
        EXPECT_EQ(ToAnsi(row.text), row.bytes);
        EXPECT_TRUE(FitsAnsi(row.text));
    }
}

TEST(AnsiTest, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(FromAnsi(all).size(), 256);
    EXPECT_EQ(ToAnsi(FromAnsi(all)), all);
}

TEST(AnsiTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
    const QString text = QString::fromUtf8("a日€😀b");
    EXPECT_EQ(ToAnsi(text), "a?\x80?b");
    EXPECT_FALSE(FitsAnsi(text));
    EXPECT_FALSE(FitsAnsi(QString::fromUtf8("Ω")));
}

} // namespace
} // namespace tavrin
