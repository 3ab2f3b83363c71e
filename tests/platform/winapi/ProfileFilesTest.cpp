// Profile files: Windows' reading rules on files written by hand, cutting to the caller's
// buffer, writes that change one line and keep every other byte, and files that are large,
// broken or in the way.

#include "platform/winapi/ProfileFiles.h"
#include "platform/winapi/Sync.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tavrin::testing {
namespace {

using namespace win;

// A file as a person writes one: CR LF line ends, comments, blanks, other sections,
// letter cases of their own, quotes, a line without "=", no final line break.
const std::string HandWritten = "; settings of the lab bench\r\n"
                                "[Other]\r\n"
                                "Port=COM9\r\n"
                                "\r\n"
                                "  [ ComPort ]  \r\n"
                                "# not a key\r\n"
                                "baudrate = 19200 \r\n"
                                "BAUDRATE=38400\r\n"
                                "Parity=\"None\"\r\n"
                                "Name='quoted '\r\n"
                                "EventChar=#0\r\n"
                                "garbage line\r\n"
                                "Empty=\r\n"
                                "\r\n"
                                "[comport]\r\n"
                                "Port=second section of the same name\r\n"
                                "[Last]\r\n"
                                "Key=no final line break";

class ProfileFiles : public ::testing::Test {
protected:
    std::string Path() const { return config_.Config() + "/bench.ini"; }
    static std::string Get(const char* section, const char* key, const char* fallback,
                           DWORD size = 2048, const char* file = "bench.ini") {
        std::vector<char> buffer(size + 1, '\x7F');
        const DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file);
        EXPECT_EQ(buffer[n], '\0');
        EXPECT_EQ(buffer[size], '\x7F') << "wrote past the buffer";
        return std::string(buffer.data(), n);
    }
    static std::vector<std::string> List(const char* section, DWORD size = 2048) {
        std::vector<char> buffer(size);
        const DWORD n =
            GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, "bench.ini");
        std::vector<std::string> names;
        for (std::size_t at = 0; at < n; at += names.back().size() + 1)
            names.emplace_back(buffer.data() + at);
        return names;
    }
    TempConfig config_;
};

TEST_F(ProfileFiles, ReadsAHandWrittenFileAsWindowsDoes) {
    WriteFile(Path(), HandWritten);
    struct Row {
        const char* section;
        const char* key;
        const char* fallback;
        std::string expected;
    } rows[] = {
        {"ComPort", "BaudRate", "x", "19200"}, // blanks dropped, the first of two wins
        {"COMPORT", "parity", "x", "None"},    // quotes dropped
        {"ComPort", "Name", "x", "quoted "},
        {"ComPort", "EventChar", "x", "#0"},
        {"ComPort", "Empty", "x", ""},
        {"ComPort", "Port", "fallback", "fallback"}, // only the first section of a name counts
        {"ComPort", "garbage line", "none", "none"},
        {"ComPort", "# not a key", "none", "none"},
        {"Other", "port", "x", "COM9"},
        {"Last", "Key", "x", "no final line break"},
        {"Missing", "Key", "default with blanks  ", "default with blanks"},
        {"Missing", "Key", nullptr, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Get(row.section, row.key, row.fallback), row.expected)
            << row.section << "/" << row.key;
    EXPECT_EQ(List(nullptr), (std::vector<std::string>{"Other", "ComPort", "comport", "Last"}));
    EXPECT_EQ(List("comport"), (std::vector<std::string>{"baudrate", "BAUDRATE", "Parity", "Name",
                                                         "EventChar", "Empty"}));
    // A file that does not exist gives the default and says so.
    EXPECT_EQ(Get("ComPort", "Port", "COM1", 2048, "missing.ini"), "COM1");
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ProfileFiles, ValuesAndListsAreCutToTheBuffer) {
    WriteFile(Path(), "[S]\nKey=0123456789\nA=1\nBB=2\n");
    struct Row {
        DWORD size;
        std::string expected;
    } rows[] = {{1, ""}, {2, "0"}, {10, "012345678"}, {11, "0123456789"}, {64, "0123456789"}};
    for (const Row& row : rows)
        EXPECT_EQ(Get("S", "Key", "", row.size), row.expected) << row.size;
    // A list that does not fit still ends with two NULs and returns size - 2.
    char buffer[6];
    EXPECT_EQ(GetPrivateProfileStringA("S", nullptr, "", buffer, sizeof buffer, "bench.ini"), 4u);
    EXPECT_EQ(std::string(buffer, 6), std::string("Key\0\0\0", 6));
}

TEST_F(ProfileFiles, AWriteChangesOneLineAndKeepsEveryOtherByte) {
    struct Row {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
        std::string before;
        std::string after;
    } rows[] = {
        {"replace in place, key spelling and CR LF kept", "comport", "BAUDRATE", "9600",
         "; c\r\n[ComPort]\r\nbaudrate = 19200 \r\nX=1\r\n",
         "; c\r\n[ComPort]\r\nbaudrate=9600\r\nX=1\r\n"},
        {"add after the section's last line", "ComPort", "Parity", "None",
         "[ComPort]\nPort=COM1\n\n[Other]\nA=1\n",
         "[ComPort]\nPort=COM1\nParity=None\n\n[Other]\nA=1\n"},
        {"add where the last line has no break", "S", "B", "2", "[S]\r\nA=1",
         "[S]\r\nA=1\r\nB=2\r\n"},
        {"add where the last line ends in a lone CR", "S", "B", "2", "[S]\r\nA=1\r",
         "[S]\r\nA=1\r\nB=2\r\n"},
        {"add under a last header that ends in a lone CR", "S", "B", "2", "x\n[S]\r",
         "x\n[S]\r\nB=2\n"},
        {"new section at the end", "New", "K", "v", "[S]\r\nA=1\r\n",
         "[S]\r\nA=1\r\n\r\n[New]\r\nK=v\r\n"},
        {"new file", "ComPort", "Port", "COM1", "", "[ComPort]\nPort=COM1\n"},
        {"remove a key", "S", "A", nullptr, "[S]\nA=1\nB=2\n", "[S]\nB=2\n"},
        {"remove a section", "S", nullptr, nullptr, "# top\n[S]\nA=1\n[T]\nB=2\n",
         "# top\n[T]\nB=2\n"},
        {"remove what is not there", "S", "Z", nullptr, "[S]\nA=1", "[S]\nA=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(Path());
        if (!row.before.empty())
            WriteFile(Path(), row.before);
        EXPECT_TRUE(WritePrivateProfileStringA(row.section, row.key, row.value, "bench.ini"));
        EXPECT_EQ(ReadFile(Path()), row.after);
    }
    // Nothing else is left in the folder: the temporary file was renamed over the file.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(config_.Config()))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"bench.ini"});
}

TEST_F(ProfileFiles, LargeLongAndBrokenFilesReadWithoutHarm) {
    // 10 MB of lines before the section, one line longer than any buffer, binary bytes.
    std::string big;
    big.reserve(11u << 20);
    for (int i = 0; big.size() < (10u << 20); ++i)
        big += "[Filler" + std::to_string(i % 7) + "]\nKey=" + std::string(100, 'x') + "\n";
    big += std::string("\x00\xFF\x01=\x02\n[\n]\n=\n", 12);
    big += "[ComPort]\nLong=" + std::string(5000, 'L') + "\nPort=COM5";
    WriteFile(Path(), big);
    EXPECT_EQ(Get("ComPort", "Port", "x"), "COM5");
    EXPECT_EQ(Get("ComPort", "Long", "x"), std::string(2047, 'L'));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_TRUE(WritePrivateProfileStringA("ComPort", "Port", "COM6", "bench.ini"));
    std::string expected = big;
    expected.replace(expected.size() - 4, 4, "COM6");
    EXPECT_EQ(ReadFile(Path()), expected);
}

TEST_F(ProfileFiles, AWriteThatCannotBeMadeFailsAndReplacesNothing) {
    // A file that cannot be read is never replaced.
    std::filesystem::create_directory(config_.Config() + "/folder.ini");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v", "folder.ini"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::is_directory(config_.Config() + "/folder.ini"));

    // Text that would break the file's shape.
    WriteFile(Path(), "[S]\nA=1\n");
    struct Row {
        const char* section;
        const char* key;
        const char* value;
    } rows[] = {{"S", "A", "1\n[T]"},
                {"S", "A=B", "1"},
                {"S", " [T]", "1"},
                {"S]", "A", "1"},
                {nullptr, "A", "1"}};
    for (const Row& row : rows) {
        EXPECT_FALSE(WritePrivateProfileStringA(row.section, row.key, row.value, "bench.ini"));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(ReadFile(Path()), "[S]\nA=1\n");

    // A folder that cannot be made.
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "v", "/proc/no-such/x.ini"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    // A name with a folder is used as it is.
    const std::string elsewhere = config_.Home() + "/elsewhere.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "v", elsewhere.c_str()));
    EXPECT_EQ(ReadFile(elsewhere), "[S]\nK=v\n");
}

} // namespace
} // namespace tavrin::testing
