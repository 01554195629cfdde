#include "services/storage/KeyValueStore.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "services/database/SqliteConnection.h"
#include "services/database/SqliteStatement.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "KeyValueStore";
constexpr int BUSY_TIMEOUT_MILLISECONDS = 5000;
constexpr const char* CORRUPT_SUFFIX = ".corrupt";

// In WAL with full sync (SqliteConnection::UseWriteAheadLog): a commit is on disk when it returns, costs
// one sync of the log, and a crash mid-write leaves the last committed state. The table of a new file is
// written synced too (one sync per install): a file found without it counts as one that lost its values.
constexpr const char* SETUP_SQL =
    "CREATE TABLE IF NOT EXISTS entries(key BLOB PRIMARY KEY NOT NULL, kind INTEGER NOT NULL, value) "
    "WITHOUT ROWID;";

// Lists and maps are stored as a sequence of strings, each a 32-bit little-endian length and its bytes.
void AppendString(std::string& out, const std::string& text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    out.append(text);
}

bool ReadString(const std::string& in, std::size_t& offset, std::string& text) {
    if (in.size() - offset < 4) {
        return false;
    }
    std::uint32_t length = 0;
    for (int index = 0; index < 4; ++index) {
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + index])) << (8 * index);
    }
    offset += 4;
    if (in.size() - offset < length) {
        return false;
    }
    text.assign(in, offset, length);
    offset += length;
    return true;
}

std::string EncodeStrings(const KeyValueStore::StringVector& strings) {
    std::string out;
    for (const auto& text : strings) {
        AppendString(out, text);
    }
    return out;
}

std::string EncodeStrings(const KeyValueStore::StringMap& map) {
    std::string out;
    for (const auto& [key, value] : map) {
        AppendString(out, key);
        AppendString(out, value);
    }
    return out;
}

bool DecodeVector(const std::string& bytes, KeyValueStore::StringVector& strings) {
    std::size_t offset = 0;
    std::string text;
    while (offset < bytes.size()) {
        if (!ReadString(bytes, offset, text)) {
            return false;
        }
        strings.push_back(std::move(text));
    }
    return true;
}

bool DecodeMap(const std::string& bytes, KeyValueStore::StringMap& map) {
    std::size_t offset = 0;
    std::string key;
    std::string value;
    while (offset < bytes.size()) {
        if (!ReadString(bytes, offset, key) || !ReadString(bytes, offset, value)) {
            return false;
        }
        map[key] = std::move(value);
    }
    return true;
}

// The smallest key above every key that begins with `prefix`; none when the prefix is all 0xFF bytes.
std::optional<std::string> PrefixUpperBound(std::string prefix) {
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF) {
        prefix.pop_back();
    }
    if (prefix.empty()) {
        return std::nullopt;
    }
    prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

template <typename T, typename... Args>
std::optional<KeyValueStore::Value> MakeValue(Args&&... args) {
    return std::optional<KeyValueStore::Value>(std::in_place, std::in_place_type<T>,
                                               std::forward<Args>(args)...);
}

// SQLite stores a NaN as NULL, so a NaN is kept as the bytes of the double instead.
void BindDouble(SqliteStatement& statement, int index, double number) {
    if (!std::isnan(number)) {
        statement.BindDouble(index, number);
        return;
    }
    std::string bytes(sizeof number, '\0');
    std::memcpy(bytes.data(), &number, sizeof number);
    statement.BindBlob(index, bytes);
}

double ReadDouble(const SqliteStatement& statement, const std::string& blob) {
    double number = 0.0;
    if (statement.ColumnType(1) == SQLITE_BLOB && blob.size() == sizeof number) {
        std::memcpy(&number, blob.data(), sizeof number);
        return number;
    }
    return statement.ColumnDouble(1);
}

// A stored list or map that does not decode reads as no value.
std::optional<KeyValueStore::Value> ReadValue(const SqliteStatement& statement) {
    std::string blob = statement.ColumnBytes(1);
    switch (statement.ColumnInt64(0)) {
        case 0:
            return MakeValue<std::int64_t>(statement.ColumnInt64(1));
        case 1:
            return MakeValue<double>(ReadDouble(statement, blob));
        case 2:
            return MakeValue<bool>(statement.ColumnInt64(1) != 0);
        case 3:
            return MakeValue<std::string>(std::move(blob));
        case 4: {
            KeyValueStore::StringVector strings;
            return DecodeVector(blob, strings) ? MakeValue<KeyValueStore::StringVector>(std::move(strings))
                                               : std::nullopt;
        }
        case 5: {
            KeyValueStore::StringMap map;
            return DecodeMap(blob, map) ? MakeValue<KeyValueStore::StringMap>(std::move(map)) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

int VerifyContent(SqliteConnection& database) {
    std::string verdict;
    const int result = database.Execute("PRAGMA quick_check(1)", &verdict);
    if (result != SQLITE_OK) {
        return result;
    }
    return verdict == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
}

/** One row of a damaged store, its value kept as SQLite stored it. */
struct SalvagedRow {
    std::string key;
    std::int64_t kind;
    SqliteValue value;
};

/**
 * Reads the rows of `sql` in order until the first that cannot be read; keys already in `seen` end the
 * reading, since from there on the other direction has read them.
 */
void ReadRowsUntilDamage(SqliteConnection& database, const char* sql,
                         std::map<std::string, SalvagedRow>& rows) {
    const std::unique_ptr<SqliteStatement> statement = database.Prepare(sql);
    while (statement->IsValid() && statement->Step() == SQLITE_ROW) {
        std::string key = statement->ColumnBytes(0);
        if (rows.count(key) != 0) {
            break;
        }
        SalvagedRow row{key, statement->ColumnInt64(1), statement->CopyColumn(2)};
        rows.emplace(std::move(key), std::move(row));
    }
}

/**
 * Every row of a damaged store that SQLite can still read: the rows before the first damaged page in
 * key order and those after the last one, read backwards. The rows between two damaged pages are lost.
 */
std::map<std::string, SalvagedRow> ReadableRows(const std::string& path, std::optional<std::int64_t>& rowCount) {
    std::map<std::string, SalvagedRow> rows;
    SqliteConnection database(path, SQLITE_OPEN_READONLY);
    if (database.IsOpen()) {
        ReadRowsUntilDamage(database, "SELECT key, kind, value FROM entries ORDER BY key", rows);
        ReadRowsUntilDamage(database, "SELECT key, kind, value FROM entries ORDER BY key DESC", rows);
        const std::unique_ptr<SqliteStatement> count = database.Prepare("SELECT count(*) FROM entries");
        if (count->IsValid() && count->Step() == SQLITE_ROW) {
            rowCount = count->ColumnInt64(0);
        }
    }
    return rows;
}

/** Writes the rows into the fresh store in one commit; false when it could not. */
bool WriteRows(SqliteConnection& database, const std::map<std::string, SalvagedRow>& rows) {
    const std::unique_ptr<SqliteStatement> statement =
        database.Prepare("INSERT OR REPLACE INTO entries(key, kind, value) VALUES(?1, ?2, ?3)");
    bool written = statement->IsValid() && database.Execute("BEGIN IMMEDIATE") == SQLITE_OK;
    for (auto row = rows.begin(); written && row != rows.end(); ++row) {
        statement->BindBlob(1, row->first);
        statement->BindInt64(2, row->second.kind);
        statement->BindValue(3, row->second.value.get());
        written = statement->Step() == SQLITE_DONE;
        statement->Reset();
    }
    written = written && database.Execute("COMMIT") == SQLITE_OK;
    if (!written) {
        database.Execute("ROLLBACK");
    }
    return written;
}

void MoveAside(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code ignored;
        std::filesystem::rename(path + suffix, path + CORRUPT_SUFFIX + suffix, ignored);
    }
}

// A file cut to nothing, or emptied of its table, opens as a fresh store: it lost what it held all the
// same. A file that cannot be read at all is left to the damaged-store path. Read without making anything
// beside it, since it may be a file this process cannot write.
bool IsFileWithoutTable(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        return false;
    }
    const std::unique_ptr<SqliteConnection> file = SqliteConnection::OpenToRead(path, false);
    if (!file->IsOpen()) {
        return false;
    }
    const std::unique_ptr<SqliteStatement> statement =
        file->Prepare("SELECT 1 FROM sqlite_master WHERE name = 'entries'");
    return statement->IsValid() && statement->Step() == SQLITE_DONE;
}


// Stores stay open until the services are disposed, as the platform's own preferences would: opening one
// verifies the whole file, which is worth doing once.
struct Registry {
    Mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<KeyValueStore>> stores NVR_GUARDED_BY(mutex);
};

Registry& OpenStores() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static auto* registry = new Registry();
    return *registry;
}

}  // namespace

// Statements are reset after every use so that none holds a read lock between calls.
bool KeyValueStore::RunOnce(SqliteStatement& statement) {
    const int result = statement.Step();
    statement.Reset();
    return result == SQLITE_DONE || result == SQLITE_ROW;
}

std::unique_ptr<SqliteConnection> KeyValueStore::OpenDatabase(const std::string& path, int& errorCode,
                                                              std::string& unwritable) {
    auto database = std::make_unique<SqliteConnection>(
        path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    errorCode = database->OpenStatus();
    if (errorCode == SQLITE_OK) {
        database->SetBusyTimeout(BUSY_TIMEOUT_MILLISECONDS);
        bool inWriteAheadLog = false;
        errorCode = database->SetUpForWriting(inWriteAheadLog, unwritable);
    }
    if (!unwritable.empty()) {
        return nullptr;
    }
    if (errorCode == SQLITE_OK) {
        errorCode = database->Execute(SETUP_SQL);
    }
    if (errorCode == SQLITE_OK) {
        errorCode = VerifyContent(*database);
    }
    if (errorCode != SQLITE_OK) {
        Log::Error(LOG_TAG, "Cannot open the store %s: %s", path, SqliteConnection::ResultText(errorCode));
        return nullptr;
    }
    return database;
}

std::shared_ptr<KeyValueStore> KeyValueStore::Open(const std::string& path) {
    Registry& openStores = OpenStores();
    MutexLock lock(openStores.mutex);
    auto& registry = openStores.stores;
    if (const auto existing = registry.find(path); existing != registry.end()) {
        return existing->second;
    }
    OpenedFile opened = OpenFile(path);
    if (!opened.connection) {
        return nullptr;
    }
    std::shared_ptr<KeyValueStore> store(new KeyValueStore(path, std::move(opened)));
    registry[path] = store;
    return store;
}

KeyValueStore::OpenedFile KeyValueStore::OpenFile(const std::string& path) {
    std::error_code ignored;
    const auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    OpenedFile opened;
    opened.lostEarlierValues = IsFileWithoutTable(path);
    if (opened.lostEarlierValues) {
        Log::Error(LOG_TAG, "The store %s exists but holds no values: whatever it held is lost", path);
    }
    int errorCode = SQLITE_OK;
    std::string unwritable;
    opened.connection = OpenDatabase(path, errorCode, unwritable);
    if (!unwritable.empty()) {
        opened.connection = CopyIntoMemory(path, unwritable);
        opened.inFile = false;
    } else if (!opened.connection && (errorCode == SQLITE_NOTADB || errorCode == SQLITE_CORRUPT)) {
        opened.connection = ReplaceDamagedStore(path, errorCode);
        opened.lostEarlierValues = true;
    }
    return opened;
}

// The rows that can still be read are copied before the file is moved aside, so a damaged store keeps
// what it can (a user's opt-out among it) instead of starting empty.
std::unique_ptr<SqliteConnection> KeyValueStore::ReplaceDamagedStore(const std::string& path, int& errorCode) {
    std::optional<std::int64_t> rowCount;
    const std::map<std::string, SalvagedRow> rows = ReadableRows(path, rowCount);
    MoveAside(path);
    std::string unwritable;
    std::unique_ptr<SqliteConnection> database = OpenDatabase(path, errorCode, unwritable);
    const bool written = database && WriteRows(*database, rows);
    const size_t saved = written ? rows.size() : 0;
    const std::string lost =
        rowCount ? std::to_string(*rowCount > static_cast<std::int64_t>(saved) ? *rowCount - saved : 0)
                 : std::string("an unknown number of");
    Log::Error(LOG_TAG, "The store %s is unreadable; it is moved to %s%s, %d rows were saved into a new store and %s lost",
               path, path, CORRUPT_SUFFIX, saved, lost);
    return database;
}

std::shared_ptr<KeyValueStore> KeyValueStore::OpenInMemory() {
    OpenedFile opened{OpenMemory(), false, false};
    return opened.connection ? std::shared_ptr<KeyValueStore>(new KeyValueStore("", std::move(opened))) : nullptr;
}

std::unique_ptr<SqliteConnection> KeyValueStore::OpenMemory() {
    int errorCode = SQLITE_OK;
    std::string unwritable;
    return OpenDatabase(":memory:", errorCode, unwritable);
}

// The values written in this run are read back from memory, over those the file held; the file stays as
// it is for a run that can write it. Writing to it would fail at every write, and starting empty would
// forget what the user chose in an earlier run (an opt-out among it).
std::unique_ptr<SqliteConnection> KeyValueStore::CopyIntoMemory(const std::string& path,
                                                                const std::string& unwritable) {
    std::unique_ptr<SqliteConnection> database = OpenMemory();
    if (!database) {
        return nullptr;
    }
    const int copied = database->CopyFromFile(path);
    // The copy replaces the whole database: a file without the table leaves none.
    const int setUp = database->Execute(SETUP_SQL);
    const std::string unread = copied == SQLITE_OK && setUp == SQLITE_OK
                                   ? std::string()
                                   : " (its values could not be read: " +
                                         SqliteConnection::ResultText(copied != SQLITE_OK ? copied : setUp) + ")";
    Log::Error(LOG_TAG,
               "Cannot write the store %s: %s; its values are kept in memory for this run only%s, and the file is "
               "left as it is",
               path, unwritable, unread);
    return setUp == SQLITE_OK ? std::move(database) : nullptr;
}

KeyValueStore::KeyValueStore(std::string path, OpenedFile opened) : path_(std::move(path)) {
    MutexLock lock(mutex_);
    UseLocked(std::move(opened));
}

KeyValueStore::~KeyValueStore() = default;

void KeyValueStore::UseLocked(OpenedFile opened) {
    database_ = std::move(opened.connection);
    inFile_ = opened.inFile;
    if (opened.lostEarlierValues) {
        lostEarlierValues_.store(true);
    }
    // Writing the value a key already holds changes no page, so its commit costs no sync. SQLite finds
    // 0.0 and -0.0 equal, so a floating zero is always written, to keep its sign.
    put_ = database_->Prepare("INSERT INTO entries(key, kind, value) VALUES(?1, ?2, ?3) "
                              "ON CONFLICT(key) DO UPDATE SET kind = excluded.kind, value = excluded.value "
                              "WHERE kind IS NOT excluded.kind OR value IS NOT excluded.value "
                              "OR (kind = 1 AND value = 0)");
    get_ = database_->Prepare("SELECT kind, value FROM entries WHERE key = ?1");
    remove_ = database_->Prepare("DELETE FROM entries WHERE key = ?1");
    removeRange_ = database_->Prepare("DELETE FROM entries WHERE key >= ?1 AND (?2 IS NULL OR key < ?2)");
}

// A store that can no longer open a file keeps this run's values in memory, as a folder where no store
// file can be opened does: its holders share this object, so they all go on with the same values.
bool KeyValueStore::OpenLocked() {
    if (database_) {
        return true;
    }
    OpenedFile opened = OpenFile(path_);
    if (!opened.connection) {
        opened = OpenedFile{OpenMemory(), false, false};
        ReportValuesKeptInMemory(std::filesystem::path(path_).parent_path().string());
    }
    if (!opened.connection) {
        return false;
    }
    UseLocked(std::move(opened));
    return true;
}

void KeyValueStore::ReportValuesKeptInMemory(const std::string& folder) {
    Log::Error(LOG_TAG, "No store file can be opened in %s; values are kept in memory only", folder);
}

void KeyValueStore::Close() {
    MutexLock lock(mutex_);
    if (!inFile_) {
        return;
    }
    put_.reset();
    get_.reset();
    remove_.reset();
    removeRange_.reset();
    database_.reset();
}

void KeyValueStore::CloseEveryStore() {
    Registry& openStores = OpenStores();
    MutexLock lock(openStores.mutex);
    for (const auto& [path, store] : openStores.stores) {
        store->Close();
    }
}

const std::string& KeyValueStore::GetPath() const { return path_; }

void KeyValueStore::LogFailure(const char* operation, const std::string& key) const {
    Log::Error(LOG_TAG, "Failed to %s the key %s in the store %s: %s", std::string(operation), key, path_,
               database_ ? database_->ErrorMessage() : std::string("it could not be opened again"));
}

void KeyValueStore::Put(const std::string& key, const Value& value) {
    MutexLock lock(mutex_);
    if (!OpenLocked() || !put_->IsValid()) {
        return LogFailure("write", key);
    }
    put_->BindBlob(1, key);
    put_->BindInt64(2, static_cast<std::int64_t>(value.index()));
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        put_->BindInt64(3, *integer);
    } else if (const auto* floating = std::get_if<double>(&value)) {
        BindDouble(*put_, 3, *floating);
    } else if (const auto* boolean = std::get_if<bool>(&value)) {
        put_->BindInt64(3, *boolean ? 1 : 0);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        put_->BindBlob(3, *text);
    } else if (const auto* strings = std::get_if<StringVector>(&value)) {
        put_->BindBlob(3, EncodeStrings(*strings));
    } else {
        put_->BindBlob(3, EncodeStrings(std::get<StringMap>(value)));
    }
    if (!RunOnce(*put_)) {
        LogFailure("write", key);
    }
}

std::optional<KeyValueStore::Value> KeyValueStore::Get(const std::string& key) {
    MutexLock lock(mutex_);
    if (!OpenLocked() || !get_->IsValid()) {
        LogFailure("read", key);
        return std::nullopt;
    }
    get_->BindBlob(1, key);
    const int stepResult = get_->Step();
    if (stepResult != SQLITE_ROW && stepResult != SQLITE_DONE) {
        LogFailure("read", key);
    }
    std::optional<Value> value = stepResult == SQLITE_ROW ? ReadValue(*get_) : std::nullopt;
    get_->Reset();
    return value;
}

void KeyValueStore::Remove(const std::string& key) {
    MutexLock lock(mutex_);
    if (!OpenLocked() || !remove_->IsValid()) {
        return LogFailure("remove", key);
    }
    remove_->BindBlob(1, key);
    if (!RunOnce(*remove_)) {
        LogFailure("remove", key);
    }
}

void KeyValueStore::RemoveWithPrefix(const std::string& prefix) {
    MutexLock lock(mutex_);
    if (!OpenLocked() || !removeRange_->IsValid()) {
        return LogFailure("remove the keys beginning with", prefix);
    }
    removeRange_->BindBlob(1, prefix);
    if (const auto upper = PrefixUpperBound(prefix)) {
        removeRange_->BindBlob(2, *upper);
    }
    if (!RunOnce(*removeRange_)) {
        LogFailure("remove the keys beginning with", prefix);
    }
}

}  // namespace NuvraMobile
