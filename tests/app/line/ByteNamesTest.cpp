// How the bytes of the line read in the monitor and in the transcript.

#include "app/line/ByteNames.h"

#include <gtest/gtest.h>

namespace tavrin::testing {
namespace {

TEST(ByteNamesTest, EveryByteHasAReadableFace) {
    const struct {
        unsigned char byte;
        const char* shown; // UTF-8
        bool named;
    } cases[] = {
        {0x00, "NUL", true},  {0x01, "0x01", true}, {0x08, "BS", true},   {0x09, "TAB", true},
        {0x0A, "LF", true},   {0x0C, "FF", true},   {0x0D, "CR", true},   {0x1B, "ESC", true},
        {0x1F, "0x1F", true}, {0x7F, "DEL", true},  {0x20, " ", false},   {0x41, "A", false},
        {0x7E, "~", false},   {0x80, "€", false},   {0xE9, "é", false},   {0xFF, "ÿ", false},
        {0x81, "0x81", true}, {0x8D, "0x8D", true}, {0x8F, "0x8F", true}, {0x90, "0x90", true},
        {0x9D, "0x9D", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        EXPECT_EQ(ByteName(c.byte).toStdString(), c.shown);
        EXPECT_EQ(IsNamed(c.byte), c.named);
    }
    for (int code = 0; code < 256; ++code)
        EXPECT_FALSE(ByteName(static_cast<unsigned char>(code)).isEmpty()) << code;
}

TEST(ByteNamesTest, ReadableTextBracketsWhatHasNoFace) {
    EXPECT_EQ(ReadableText(std::string_view("\r\nOK\0", 5)), "<CR><LF>OK<NUL>");
    EXPECT_EQ(ReadableText("\x01\xE9\x81<"), "<0x01>é<0x81><");
    EXPECT_EQ(ReadableText(""), "");
    EXPECT_EQ(HexOf(0x41), QStringLiteral("0x41"));
    EXPECT_EQ(HexOf(0xAB), QStringLiteral("0xAB"));
}

} // namespace
} // namespace tavrin::testing
