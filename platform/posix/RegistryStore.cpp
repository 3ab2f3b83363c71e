#include "platform/posix/RegistryStore.h"

#include "platform/config/ConfigDir.h"
#include "platform/winapi/Registry.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <system_error>

#include <filesystem>

namespace win::backend {

namespace {

std::atomic<int> waitMs{5000};

constexpr const char* Schema = R"sql(
CREATE TABLE IF NOT EXISTS registry_key (
    id   INTEGER PRIMARY KEY,
    root TEXT NOT NULL,
    path TEXT NOT NULL COLLATE NOCASE,
    UNIQUE (root, path)
);
CREATE TABLE IF NOT EXISTS registry_value (
    key_id INTEGER NOT NULL REFERENCES registry_key (id),
    name   TEXT NOT NULL COLLATE NOCASE,
    type   INTEGER NOT NULL,
    data,
    PRIMARY KEY (key_id, name)
);
CREATE VIEW IF NOT EXISTS registry AS
    SELECT k.root, k.path, v.name, v.type, v.data
    FROM registry_key k JOIN registry_value v ON v.key_id = k.id
    ORDER BY k.root, k.path, v.rowid;
)sql";

LONG FromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return static_cast<LONG>(ERROR_SUCCESS);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return static_cast<LONG>(ERROR_LOCK_VIOLATION);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return static_cast<LONG>(ERROR_BADDB);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    case SQLITE_FULL:
        return static_cast<LONG>(ERROR_DISK_FULL);
    case SQLITE_NOMEM:
        return static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY);
    default:
        return static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);
    }
}

LONG FromErrno(int error) {
    switch (error) {
    case ENOENT:
        return static_cast<LONG>(ERROR_PATH_NOT_FOUND);
    case ENOSPC:
        return static_cast<LONG>(ERROR_DISK_FULL);
    default: // EACCES, EPERM, EROFS, ENOTDIR (a file where the folder should be), ...
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    }
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int Prepared() const { return rc_; }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void Bind(int index, sqlite3_int64 value) { sqlite3_bind_int64(stmt_, index, value); }
    void BindBlob(int index, const std::string& bytes) {
        sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    // SQLITE_ROW, SQLITE_DONE or an error
    int Step() { return rc_ != SQLITE_OK ? rc_ : sqlite3_step(stmt_); }
    sqlite3_stmt* Get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
};

// Strings are kept as text and double words as integers, so that the sqlite3 command line
// shows them as they are; anything else (a string without its NUL, a double word of another
// size, binary data) as the bytes given.
void BindData(Statement& statement, int index, const StoredValue& value) {
    const std::string& data = value.data;
    const bool isString = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
    if (isString && !data.empty() && data.find('\0') == data.size() - 1) {
        statement.Bind(index, data.substr(0, data.size() - 1));
    } else if (value.type == REG_DWORD && data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        statement.Bind(index, static_cast<sqlite3_int64>(number));
    } else {
        statement.BindBlob(index, data);
    }
}

std::string ColumnData(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: {
        const auto number = static_cast<std::uint32_t>(sqlite3_column_int64(stmt, column));
        std::string bytes(4, '\0');
        for (std::size_t i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
        return bytes;
    }
    case SQLITE_BLOB: {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        return std::string(blob == nullptr ? "" : blob,
                           static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    }
    case SQLITE_NULL:
        return {};
    default: { // text (a number typed in by hand reads as its text)
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        std::string bytes(text == nullptr ? "" : text,
                          static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
        bytes.push_back('\0');
        return bytes;
    }
    }
}

class Connection {
public:
    ~Connection() { sqlite3_close(db_); }

    // ERROR_FILE_NOT_FOUND when nothing was ever stored; the file is never created.
    LONG OpenForReading() {
        struct stat info {};
        if (::stat(RegistryDatabasePath().c_str(), &info) != 0)
            return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        LONG result = Open(SQLITE_OPEN_READONLY);
        if (result != static_cast<LONG>(ERROR_SUCCESS))
            return result;
        Statement schema(db_, "SELECT count(*) FROM sqlite_master WHERE name = 'registry_value'");
        const int rc = schema.Step();
        if (rc != SQLITE_ROW)
            return FromSqlite(rc);
        return sqlite3_column_int(schema.Get(), 0) == 0 ? static_cast<LONG>(ERROR_FILE_NOT_FOUND)
                                                        : static_cast<LONG>(ERROR_SUCCESS);
    }

    LONG OpenForWriting() {
        const std::string path = RegistryDatabasePath();
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (error)
            return FromErrno(error.value());
        // A file whose write permissions are all cleared is read-only for everybody, root
        // included, as a file with the read-only attribute is on Windows.
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) == 0)
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        return Open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    }

    // Runs `body` inside one write transaction with the tables in place; commits only when
    // it succeeds.
    template <class Body> LONG Transaction(Body body) {
        int rc = Exec("BEGIN IMMEDIATE");
        if (rc != SQLITE_OK)
            return FromSqlite(rc);
        rc = Exec(Schema);
        LONG result = rc == SQLITE_OK ? body() : FromSqlite(rc);
        if (result == static_cast<LONG>(ERROR_SUCCESS)) {
            rc = Exec("COMMIT");
            if (rc == SQLITE_OK)
                return result;
            result = FromSqlite(rc);
        }
        Exec("ROLLBACK");
        return result;
    }

    // The key's id (0 when missing) and the result of looking for it.
    LONG FindKey(const std::string& root, const std::string& path, sqlite3_int64& id) {
        id = 0;
        Statement find(db_, "SELECT id FROM registry_key WHERE root = ?1 AND path = ?2");
        find.Bind(1, root);
        find.Bind(2, path);
        const int rc = find.Step();
        if (rc == SQLITE_ROW) {
            id = sqlite3_column_int64(find.Get(), 0);
            return static_cast<LONG>(ERROR_SUCCESS);
        }
        return rc == SQLITE_DONE ? static_cast<LONG>(ERROR_FILE_NOT_FOUND) : FromSqlite(rc);
    }

    // Adds the key unless it exists; `added` tells which.
    LONG AddKey(const std::string& root, const std::string& path, bool& added) {
        Statement insert(db_, "INSERT INTO registry_key (root, path) VALUES (?1, ?2) "
                              "ON CONFLICT DO NOTHING");
        insert.Bind(1, root);
        insert.Bind(2, path);
        const int rc = insert.Step();
        added = rc == SQLITE_DONE && sqlite3_changes(db_) > 0;
        return rc == SQLITE_DONE ? static_cast<LONG>(ERROR_SUCCESS) : FromSqlite(rc);
    }

    sqlite3* Get() const { return db_; }

private:
    LONG Open(int flags) {
        const int rc = sqlite3_open_v2(RegistryDatabasePath().c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK)
            return FromSqlite(rc);
        sqlite3_busy_timeout(db_, waitMs.load());
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    int Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

    sqlite3* db_ = nullptr;
};

LONG ReadValue(Statement& query, StoredValue& value) {
    const int rc = query.Step();
    if (rc == SQLITE_DONE)
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(query.Get(), 0));
    value.name = name == nullptr ? "" : name;
    value.type = static_cast<DWORD>(sqlite3_column_int64(query.Get(), 1));
    value.data = ColumnData(query.Get(), 2);
    return static_cast<LONG>(ERROR_SUCCESS);
}

} // namespace

std::string RegistryDatabasePath() {
    return ConfigDirectory() + "/registry.db";
}

void SetStoreWaitMs(int milliseconds) {
    waitMs = milliseconds;
}

LONG StoreFindKey(const std::string& root, const std::string& path) {
    Connection db;
    LONG result = db.OpenForReading();
    if (result != static_cast<LONG>(ERROR_SUCCESS))
        return result;
    sqlite3_int64 id = 0;
    return db.FindKey(root, path, id);
}

LONG StoreCreateKey(const std::string& root, const std::string& path, bool& created) {
    created = false;
    // An existing key opens without writing, so a store that cannot be written still reads.
    if (StoreFindKey(root, path) == static_cast<LONG>(ERROR_SUCCESS))
        return static_cast<LONG>(ERROR_SUCCESS);
    Connection db;
    LONG result = db.OpenForWriting();
    if (result != static_cast<LONG>(ERROR_SUCCESS))
        return result;
    return db.Transaction([&]() -> LONG {
        // Every key above it exists too, as on Windows.
        for (std::size_t end = path.find('\\'); end != std::string::npos;
             end = path.find('\\', end + 1)) {
            bool added = false;
            if (LONG r = db.AddKey(root, path.substr(0, end), added);
                r != static_cast<LONG>(ERROR_SUCCESS))
                return r;
        }
        return db.AddKey(root, path, created);
    });
}

LONG StoreSetValue(const std::string& root, const std::string& path, const StoredValue& value) {
    Connection db;
    LONG result = db.OpenForWriting();
    if (result != static_cast<LONG>(ERROR_SUCCESS))
        return result;
    return db.Transaction([&]() -> LONG {
        if (path.empty()) { // the root always exists
            bool added = false;
            if (LONG r = db.AddKey(root, path, added); r != static_cast<LONG>(ERROR_SUCCESS))
                return r;
        }
        sqlite3_int64 id = 0;
        LONG found = db.FindKey(root, path, id);
        if (found == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        if (found != static_cast<LONG>(ERROR_SUCCESS))
            return found;
        // An update keeps the value's place in the enumeration.
        Statement upsert(db.Get(), "INSERT INTO registry_value (key_id, name, type, data) "
                                   "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (key_id, name) "
                                   "DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.Bind(1, id);
        upsert.Bind(2, value.name);
        upsert.Bind(3, static_cast<sqlite3_int64>(value.type));
        BindData(upsert, 4, value);
        const int rc = upsert.Step();
        return rc == SQLITE_DONE ? static_cast<LONG>(ERROR_SUCCESS) : FromSqlite(rc);
    });
}

LONG StoreQueryValue(const std::string& root, const std::string& path, const std::string& name,
                     StoredValue& value) {
    Connection db;
    LONG result = db.OpenForReading();
    if (result != static_cast<LONG>(ERROR_SUCCESS))
        return result;
    Statement query(db.Get(), "SELECT v.name, v.type, v.data FROM registry_value v "
                              "JOIN registry_key k ON k.id = v.key_id "
                              "WHERE k.root = ?1 AND k.path = ?2 AND v.name = ?3");
    query.Bind(1, root);
    query.Bind(2, path);
    query.Bind(3, name);
    return ReadValue(query, value);
}

LONG StoreEnumValue(const std::string& root, const std::string& path, DWORD index,
                    StoredValue& value) {
    Connection db;
    LONG result = db.OpenForReading();
    if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
        return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    if (result != static_cast<LONG>(ERROR_SUCCESS))
        return result;
    Statement query(db.Get(), "SELECT v.name, v.type, v.data FROM registry_value v "
                              "JOIN registry_key k ON k.id = v.key_id "
                              "WHERE k.root = ?1 AND k.path = ?2 ORDER BY v.rowid "
                              "LIMIT 1 OFFSET ?3");
    query.Bind(1, root);
    query.Bind(2, path);
    query.Bind(3, static_cast<sqlite3_int64>(index));
    result = ReadValue(query, value);
    return result == static_cast<LONG>(ERROR_FILE_NOT_FOUND)
               ? static_cast<LONG>(ERROR_NO_MORE_ITEMS)
               : result;
}

} // namespace win::backend
