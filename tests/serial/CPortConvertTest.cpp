// Text forms of booleans, characters and integers used by the stored settings.

#include "serial/CPort.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrin {
namespace {

TEST(BoolText, OnlyYesInAnyCaseIsTrue) {
    EXPECT_EQ(BoolToText(true), "Yes");
    EXPECT_EQ(BoolToText(false), "No");
    struct Case {
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {"Yes", true},   {"yes", true},   {"YES", true}, {"yEs", true}, {"Y", false},
        {"True", false}, {"1", false},    {"", false},   {"No", false}, {"Yes ", false},
        {" Yes", false}, {"Yess", false}, {"Ye", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(TextToBool(c.text), c.expected);
    }
}

TEST(CharText, PrintableCharactersStandForThemselvesOthersForTheirCode) {
    struct Case {
        int code;
        std::string text;
    };
    const Case cases[] = {
        {0, "#0"}, {17, "#17"},   {19, "#19"},   {32, "#32"},   {33, "!"},
        {65, "A"}, {127, "\x7F"}, {128, "#128"}, {200, "#200"}, {255, "#255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(CharToText(static_cast<char>(c.code)), c.text);
    }
}

TEST(CharText, TextGivesItsCodeOrFirstCharacter) {
    struct Case {
        const char* what;
        std::string text;
        int code;
    };
    const Case cases[] = {
        {"code", "#17", 17},
        {"hash alone is itself", "#", '#'},
        {"first character", "AB", 'A'},
        {"not an integer", "#x", 0},
        {"low 8 bits", "#300", 44},
        {"negative wraps", "#-1", 255},
        {"hexadecimal", "#$41", 'A'},
        {"C hexadecimal", "#0x7f", 127},
        {"leading blanks", "#  65", 'A'},
        {"trailing blank is not an integer", "#65 ", 0},
        {"beyond 32 bits", "#4294967296", 0},
        {"empty", "", 0},
        {"upper half", "\xE9t\xE9", 0xE9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(static_cast<unsigned char>(TextToChar(c.text)), c.code);
    }
}

TEST(CharText, EveryCodeSurvivesTheRoundTrip) {
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        EXPECT_EQ(TextToChar(CharToText(c)), c) << code;
    }
}

TEST(IntegerText, FollowsTheRuntimeIntegerRule) {
    struct Case {
        std::string text;
        bool ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"+42", true, 42},
        {"-42", true, -42},
        {"   7", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$FF", true, 255},
        {"xff", true, 255},
        {"X10", true, 16},
        {"0x10", true, 16},
        {"0X1f", true, 31},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},
        {"$100000000", false, 0},
        {"000000000000000000012", true, 12},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"12a", false, 0},
        {"1 ", false, 0},
        {"1.0", false, 0},
        {"\t1", false, 0},
        {"--1", false, 0},
        {"$G", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        std::int32_t value = -12345;
        EXPECT_EQ(TryTextToInt(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        } else {
            EXPECT_EQ(value, -12345) << "a failed conversion leaves the target alone";
        }
    }
}

} // namespace
} // namespace tavrin
