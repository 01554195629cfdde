#include "services/database/SqliteConnection.h"

#include <sqlite3.h>

#include "services/database/SqliteStatement.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace NuvraMobile {

namespace {

// SQLite's URI of a file path, with `parameters`; the characters a URI gives a meaning are escaped.
std::string FileUri(const std::string& path, const std::string& parameters) {
    std::string uri = "file:";
    for (const char character : path) {
        if (character == '%' || character == '?' || character == '#') {
            static const char digits[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(character);
            uri += {'%', digits[byte >> 4], digits[byte & 0xf]};
        } else {
            uri += character;
        }
    }
    return uri + "?" + parameters;
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, int flags)
    : openStatus_(sqlite3_open_v2(path.c_str(), &connection_, flags, nullptr)) {
    if (openStatus_ != SQLITE_OK) {
        Close();
    }
}

SqliteConnection::~SqliteConnection() { Close(); }

int SqliteConnection::OpenStatus() const { return openStatus_; }

bool SqliteConnection::IsOpen() const { return connection_ != nullptr; }

bool SqliteConnection::IsReadOnly() const {
    return connection_ != nullptr && sqlite3_db_readonly(connection_, "main") == 1;
}

void SqliteConnection::Close() {
    sqlite3_close_v2(connection_);
    connection_ = nullptr;
}

void SqliteConnection::SetBusyTimeout(int milliseconds) { sqlite3_busy_timeout(connection_, milliseconds); }

int SqliteConnection::Execute(const std::string& sql, std::string* firstColumn) {
    const auto keepFirstColumn = [](void* target, int columns, char** values, char**) {
        if (target != nullptr && columns > 0) {
            *static_cast<std::string*>(target) = values[0] == nullptr ? "" : values[0];
        }
        return 0;
    };
    if (connection_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(connection_, sql.c_str(), keepFirstColumn, firstColumn, nullptr);
}

// A new file holds nothing to lose, so its switch to the log keeps its rollback journal in memory: one
// sync of the file instead of the three of a journal on disk. The switch must still reach the disk
// before the first commit to the log, since SQLite drops the log of an empty file. A file that is not
// granted the log (a file system without shared memory, another connection holding the file) goes back
// to a journal on disk: with the journal in memory, a crash in the middle of a commit damages the file.
int SqliteConnection::UseWriteAheadLog(bool& inWriteAheadLog) {
    inWriteAheadLog = false;
    std::string pages;
    int result = Execute("PRAGMA synchronous=FULL; PRAGMA page_count;", &pages);
    const bool newFile = result == SQLITE_OK && pages == "0";
    if (newFile) {
        result = Execute("PRAGMA journal_mode=MEMORY;");
    }
    std::string mode;
    result = result == SQLITE_OK ? Execute("PRAGMA journal_mode=WAL;", &mode) : result;
    inWriteAheadLog = result == SQLITE_OK && mode == "wal";
    if (newFile && !inWriteAheadLog) {
        Execute("PRAGMA journal_mode=DELETE;");
    }
    newFile_ = newFile && inWriteAheadLog;
    return result;
}

int SqliteConnection::SetUpForWriting(bool& inWriteAheadLog, std::string& unwritable) {
    inWriteAheadLog = false;
    if (IsReadOnly()) {
        unwritable = "the file is read-only";
        return SQLITE_READONLY;
    }
    const int result = UseWriteAheadLog(inWriteAheadLog);
    // The file takes writes, so what refuses them is the folder: no log or journal can be made beside it.
    if ((result & 0xff) == SQLITE_READONLY) {
        unwritable = "its folder cannot be written";
    }
    return result;
}

bool SqliteConnection::TakeNewFileMark() { return std::exchange(newFile_, false); }

// A log beside the file may hold rows not yet in it: read with it. Without one, the file is read as it
// lies, so that nothing (a log, a shared-memory file) is made beside it for its owner to meet.
std::unique_ptr<SqliteConnection> SqliteConnection::OpenToRead(const std::string& path, bool asItLies) {
    std::error_code error;
    const bool withLog = !asItLies && std::filesystem::exists(path + "-wal", error);
    return std::make_unique<SqliteConnection>(FileUri(path, withLog ? "mode=ro" : "immutable=1"),
                                              SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

// A log that cannot be read with the file (its folder takes no shared-memory file) leaves the file as it lies.
int SqliteConnection::CopyFromFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return SQLITE_OK;
    }
    int result = SQLITE_CANTOPEN;
    for (const bool asItLies : {false, true}) {
        const std::unique_ptr<SqliteConnection> file = OpenToRead(path, asItLies);
        result = file->IsOpen() ? CopyFrom(*file) : file->OpenStatus();
        if (result == SQLITE_OK) {
            break;
        }
    }
    return result;
}

int SqliteConnection::CopyFrom(SqliteConnection& source) {
    if (connection_ == nullptr || source.connection_ == nullptr) {
        return SQLITE_MISUSE;
    }
    sqlite3_backup* copy = sqlite3_backup_init(connection_, "main", source.connection_, "main");
    if (copy == nullptr) {
        return sqlite3_errcode(connection_);
    }
    sqlite3_backup_step(copy, -1);
    return sqlite3_backup_finish(copy);
}

std::unique_ptr<SqliteStatement> SqliteConnection::Prepare(const std::string& sql) {
    newFile_ = false;
    return std::make_unique<SqliteStatement>(connection_, sql);
}

std::string SqliteConnection::ResultText(int resultCode) { return sqlite3_errstr(resultCode); }

std::string SqliteConnection::ErrorMessage() const {
    return connection_ != nullptr ? sqlite3_errmsg(connection_) : ResultText(openStatus_);
}

int SqliteConnection::ErrorCode() const {
    return connection_ != nullptr ? sqlite3_errcode(connection_) : openStatus_;
}

bool SqliteConnection::InTransaction() const {
    return connection_ != nullptr && sqlite3_get_autocommit(connection_) == 0;
}

int SqliteConnection::FindColumn(const std::string& table, const std::string& column) const {
    if (connection_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_table_column_metadata(connection_, nullptr, table.c_str(), column.c_str(), nullptr,
                                         nullptr, nullptr, nullptr, nullptr);
}

}  // namespace NuvraMobile
