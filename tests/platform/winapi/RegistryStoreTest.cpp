// The registry store: keys and typed values kept in <config>/registry.db, names matched
// without letter case, the hardware map served by the same calls, and what a broken,
// read-only, locked or unreachable store does.

#include "platform/posix/RegistryStore.h"
#include "platform/winapi/Registry.h"
#include "support/SerialPeer.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tavrin::testing {
namespace {

using namespace win;

constexpr LONG Ok = 0;

// What a value holds, as read back.
struct Read {
    LONG result = -1;
    DWORD type = 0;
    std::string data;
};

class RegistryStore : public ::testing::Test {
protected:
    void TearDown() override {
        for (HKEY key : opened_)
            RegCloseKey(key);
        SetRegistryWaitMs(5000);
    }

    HKEY Create(HKEY root, const char* path, DWORD* disposition = nullptr,
                DWORD access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                  &key, disposition),
                  Ok)
            << path;
        opened_.push_back(key);
        return key;
    }
    static LONG SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
        return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }
    static LONG SetDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    static Read Query(HKEY key, const char* name) {
        Read read;
        BYTE data[512];
        DWORD size = sizeof data;
        read.result = RegQueryValueExA(key, name, nullptr, &read.type, data, &size);
        if (read.result == Ok)
            read.data.assign(reinterpret_cast<char*>(data), size);
        return read;
    }
    static std::vector<std::string> Names(HKEY key) {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            const LONG r = RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (r != Ok) {
                EXPECT_EQ(r, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
                return names;
            }
            names.emplace_back(name, length);
        }
    }
    // Runs a query through the sqlite3 command line, as a user would look.
    static std::string Sqlite(const std::string& sql) {
        const std::string command =
            "sqlite3 '" + posix::RegistryDatabasePath() + "' \"" + sql + "\" 2>&1";
        std::string output;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char chunk[256];
            while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
                output += chunk;
            ::pclose(pipe);
        }
        return output;
    }

    TempConfig config_;
    std::vector<HKEY> opened_;
};

TEST_F(RegistryStore, ValuesKeepTheirTypeAndBytesAndMatchWithoutLetterCase) {
    DWORD disposition = 0;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Ketno\\ComPort", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const BYTE binary[] = {0, 1, 2, 255};
    const std::string noNul = "no terminating NUL";
    struct Row {
        const char* name;
        DWORD type;
        std::string bytes;
    } rows[] = {
        {"Port", REG_SZ, std::string("COM1\0", 5)},
        {"Path", REG_EXPAND_SZ, std::string("%HOME%\\x\0", 10)},
        {"CustomBaudRate", REG_DWORD, std::string("\x40\xE1\x01\x00", 4)}, // 123200
        {"Negative", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
        {"Blob", REG_BINARY, std::string(reinterpret_cast<const char*>(binary), 4)},
        {"Bare", REG_SZ, noNul},
        {"", REG_SZ, std::string("default value\0", 14)},
    };
    for (const Row& row : rows)
        ASSERT_EQ(RegSetValueExA(key, row.name, 0, row.type,
                                 reinterpret_cast<const BYTE*>(row.bytes.data()),
                                 static_cast<DWORD>(row.bytes.size())),
                  Ok)
            << row.name;

    // Read through another handle, with other letter cases, as another run would.
    HKEY again = Create(HKEY_CURRENT_USER, "SOFTWARE\\ketno\\comport\\", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string upper = row.name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const Read read = Query(again, upper.c_str());
        EXPECT_EQ(read.result, Ok);
        EXPECT_EQ(read.type, row.type);
        EXPECT_EQ(read.data, row.bytes);
    }
    EXPECT_EQ(Query(again, "Missing").result, static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    // Rewriting a value changes it in place: the enumeration keeps the first order.
    ASSERT_EQ(SetText(key, "PORT", "COM2"), Ok);
    EXPECT_EQ(Query(key, "port").data, std::string("COM2\0", 5));
    EXPECT_EQ(Names(again), (std::vector<std::string>{"Port", "Path", "CustomBaudRate", "Negative",
                                                      "Blob", "Bare", ""}));

    // Buffers too small say how much is needed; a null buffer asks for the size only.
    BYTE small[2];
    DWORD size = sizeof small;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Port", nullptr, &type, small, &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 5u);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &size), Ok);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    char name[3];
    DWORD nameLength = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_MORE_DATA));
}

TEST_F(RegistryStore, KeysExistBelowTheirRootOnlyAndHandlesKeepTheirAccess) {
    HKEY machine = Create(HKEY_LOCAL_MACHINE, "Software\\Ketno");
    ASSERT_EQ(SetText(machine, "Where", "machine"), Ok);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ketno", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    // Creating a key creates the keys above it; a key opens relative to another.
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &key), Ok);
    opened_.push_back(key);
    HKEY below = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "KETNO", 0, KEY_READ, &below), Ok);
    opened_.push_back(below);
    EXPECT_EQ(Query(below, "where").data, std::string("machine\0", 8));
    // A handle opened for reading cannot write.
    EXPECT_EQ(SetText(below, "Where", "x"), static_cast<LONG>(ERROR_ACCESS_DENIED));

    struct Row {
        const char* path;
        LONG result;
    } rows[] = {
        {"\\Software", static_cast<LONG>(ERROR_BAD_PATHNAME)},
        {"Software\\\\Ketno", static_cast<LONG>(ERROR_BAD_PATHNAME)},
        {"HARDWARE\\DEVICEMAP\\SERIALCOMM", static_cast<LONG>(ERROR_ACCESS_DENIED)},
    };
    for (const Row& row : rows) {
        HKEY none = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, row.path, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &none, nullptr),
                  row.result)
            << row.path;
        EXPECT_EQ(none, nullptr);
    }
    EXPECT_EQ(SetText(nullptr, "x", "y"), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(RegistryStore, TheSqliteCommandLineShowsWhatIsStored) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort");
    ASSERT_EQ(SetText(key, "Port", "COM1"), Ok);
    ASSERT_EQ(SetDword(key, "CustomBaudRate", 31250), Ok);
    EXPECT_EQ(Sqlite("SELECT root, path, name, type, data FROM registry"),
              "HKEY_LOCAL_MACHINE|Software\\Ketno\\ComPort|Port|1|COM1\n"
              "HKEY_LOCAL_MACHINE|Software\\Ketno\\ComPort|CustomBaudRate|4|31250\n");
    // A value changed by hand with the command line is what the next read gives.
    Sqlite("UPDATE registry_value SET data = 'COM9' WHERE name = 'port'");
    EXPECT_EQ(Query(key, "Port").data, std::string("COM9\0", 5));
}

TEST_F(RegistryStore, ReadingNeverCreatesTheDatabase) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Anything").result, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(posix::RegistryDatabasePath()));
}

// A store that cannot be used: the call fails with its code, nothing crashes, and what was
// in the file before is still there byte for byte.
TEST_F(RegistryStore, ABrokenReadOnlyLockedOrUnreachableStoreFailsAndLosesNothing) {
    const std::string db = posix::RegistryDatabasePath();
    SerialPeer peer(StorePeerScript());
    ASSERT_TRUE(peer.Started());
    struct Row {
        const char* name;
        std::function<void()> breakIt;
        std::function<void()> mend;
        LONG writeResult;
        bool storedStaysReadable;
    } rows[] = {
        {"not a database", [&] { WriteFile(db, std::string(4096, '\x5A') + "garbage"); }, [] {},
         static_cast<LONG>(ERROR_BADDB), false},
        {"read-only file", [&] { ::chmod(db.c_str(), 0444); }, [&] { ::chmod(db.c_str(), 0644); },
         static_cast<LONG>(ERROR_ACCESS_DENIED), true},
        {"locked longer than the wait",
         [&] {
             SetRegistryWaitMs(100);
             ASSERT_EQ(peer.Ask("lock " + db), "locked");
         },
         [&] { ASSERT_EQ(peer.Ask("unlock"), "ok"); }, static_cast<LONG>(ERROR_LOCK_VIOLATION),
         false},
        {"folder is a file",
         [&] {
             std::filesystem::remove_all(config_.Config());
             WriteFile(config_.Config(), "in the way");
         },
         [] {}, static_cast<LONG>(ERROR_ACCESS_DENIED), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(config_.Config());
        std::filesystem::create_directories(config_.Config());
        HKEY stored = Create(HKEY_CURRENT_USER, "Software\\Ketno");
        ASSERT_EQ(SetText(stored, "Port", "COM3"), Ok);
        RegCloseKey(stored);
        opened_.pop_back();

        row.breakIt();
        const std::string before = ReadFile(db);
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Other", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  row.writeResult);
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, "Top", "x"), row.writeResult);
        if (row.storedStaysReadable) {
            // An existing key still opens, and reads, from a store that cannot be written.
            HKEY existing = Create(HKEY_CURRENT_USER, "Software\\Ketno");
            EXPECT_EQ(Query(existing, "Port").data, std::string("COM3\0", 5));
            EXPECT_EQ(SetText(existing, "Port", "COM4"), row.writeResult);
        }
        EXPECT_EQ(ReadFile(db), before);
        row.mend();
        if (std::filesystem::is_directory(config_.Config())) {
            HKEY again = nullptr;
            if (row.writeResult != static_cast<LONG>(ERROR_BADDB)) {
                ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ketno", 0, KEY_READ, &again),
                          Ok);
                EXPECT_EQ(Query(again, "Port").data, std::string("COM3\0", 5));
                RegCloseKey(again);
            } else {
                EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ketno", 0, KEY_READ, &again),
                          static_cast<LONG>(ERROR_BADDB));
            }
        }
    }
}

TEST_F(RegistryStore, AWriterWaitsForAnotherProgramThatHoldsTheStoreBriefly) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Ketno");
    ASSERT_EQ(SetText(key, "Port", "COM1"), Ok);
    SerialPeer peer(StorePeerScript());
    ASSERT_TRUE(peer.Started());
    ASSERT_EQ(peer.Ask("lock-for 0.3 " + posix::RegistryDatabasePath()), "locked");
    EXPECT_EQ(SetText(key, "Port", "COM2"), Ok);
    EXPECT_EQ(Query(key, "Port").data, std::string("COM2\0", 5));
}

} // namespace
} // namespace tavrin::testing
