#include "services/database/Database.h"

#include <sqlite3.h>

#include <iterator>
#include <memory>

#include "core/SdkError.h"
#include "core/Variant.h"
#include "platformShim/Query.h"
#include "platformShim/QueryStringBuilder.h"
#include "services/database/QueryResult.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = Database::DATABASE_SERVICE_LOG_PREFIX;

[[noreturn]] void ThrowQueryError(int resultCode, const std::string& message) {
    Throw(Database::StatementError(resultCode, message));
}

/** SQLite's name of a primary result code, lower-cased. */
std::string ResultCodeName(int resultCode) {
    static const char* const names[] = {
        "ok",       "error",  "internal",   "perm",     "abort",  "busy",   "locked", "nomem",
        "readonly", "interrupt", "ioerr",   "corrupt",  "notfound", "full", "cantopen", "protocol",
        "empty",    "schema", "toobig",     "constraint", "mismatch", "misuse", "nolfs", "auth",
        "format",   "range",  "notadb",     "notice",   "warning"};
    const int primary = resultCode & 0xff;
    return primary < static_cast<int>(std::size(names)) ? names[primary] : std::to_string(primary);
}

std::string Join(const std::vector<std::string>& items, const std::string& separator,
                 const std::string& suffix = "") {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : separator) + items[i] + suffix;
    }
    return text;
}

std::vector<std::string> KeysOf(const DatabaseInterface::ColumnValues& values) {
    std::vector<std::string> keys;
    for (const auto& entry : values) {
        keys.push_back(entry.first);
    }
    return keys;
}

std::string Placeholders(size_t count) { return Join(std::vector<std::string>(count, "?"), ", "); }

std::string InsertSql(const std::string& table, const DatabaseInterface::ColumnValues& values) {
    return "INSERT INTO " + table + " (" + Join(KeysOf(values), ", ") + ") VALUES (" +
           Placeholders(values.size()) + ");";
}

void SetSynchronous(sqlite3* connection, const char* pragma) {
    if (sqlite3_exec(connection, pragma, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Log::Error(LOG_TAG, "could not run %s: %s", std::string(pragma), std::string(sqlite3_errmsg(connection)));
    }
}

// Booleans are stored as the texts "1" and "0"; a null variant (or a missing value) as SQL NULL.
bool BindVariant(sqlite3_stmt* statement, int index, const std::shared_ptr<Variant>& value) {
    if (!value) {
        return sqlite3_bind_null(statement, index) == SQLITE_OK;
    }
    switch (value->GetKind()) {
        case VariantKind::VARIANT_NULL:
            return sqlite3_bind_null(statement, index) == SQLITE_OK;
        case VariantKind::VARIANT_STRING: {
            std::string text;
            if (!value->GetString(text)) {
                return true;
            }
            return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                       SQLITE_UTF8) == SQLITE_OK;
        }
        case VariantKind::VARIANT_INTEGER: {
            std::int32_t number = 0;
            return !value->GetInteger(number) || sqlite3_bind_int(statement, index, number) == SQLITE_OK;
        }
        case VariantKind::VARIANT_LONG: {
            std::int64_t number = 0;
            return !value->GetLong(number) || sqlite3_bind_int64(statement, index, number) == SQLITE_OK;
        }
        case VariantKind::VARIANT_DOUBLE: {
            double number = 0;
            return !value->GetDouble(number) || sqlite3_bind_double(statement, index, number) == SQLITE_OK;
        }
        case VariantKind::VARIANT_BOOLEAN: {
            bool flag = false;
            return !value->GetBoolean(flag) ||
                   sqlite3_bind_text(statement, index, flag ? "1" : "0", 1, SQLITE_STATIC) == SQLITE_OK;
        }
        default:
            ThrowQueryError(SQLITE_MISMATCH, "A value of this kind cannot be stored in a column.");
    }
}

// Parameters from `firstIndex` on, in key order: the order in which the columns were written.
bool BindValues(sqlite3_stmt* statement, const DatabaseInterface::ColumnValues& values, int firstIndex) {
    int index = firstIndex;
    for (const auto& entry : values) {
        if (!BindVariant(statement, index++, entry.second)) {
            return false;
        }
    }
    return true;
}

// Arguments past the statement's last parameter are ignored; parameters left without one stay NULL.
bool BindSelectionArgs(sqlite3_stmt* statement, const std::vector<std::string>& args, int firstIndex) {
    int lastIndex = sqlite3_bind_parameter_count(statement);
    for (size_t i = 0; i < args.size() && firstIndex + static_cast<int>(i) <= lastIndex; ++i) {
        const std::string& arg = args[i];
        if (sqlite3_bind_text64(statement, firstIndex + static_cast<int>(i), arg.data(), arg.size(),
                                SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}

std::string CellText(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_column_int64(statement, column));
        case SQLITE_FLOAT:
            return std::to_string(sqlite3_column_double(statement, column));
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            return text == nullptr ? std::string()
                                   : std::string(text, sqlite3_column_bytes(statement, column));
        }
        default:
            return "";
    }
}

std::vector<std::string> ColumnNamesOf(sqlite3_stmt* statement) {
    std::vector<std::string> names;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const char* name = sqlite3_column_name(statement, i);
        names.emplace_back(name == nullptr ? "" : name);
    }
    return names;
}

std::vector<std::string> RowOf(sqlite3_stmt* statement) {
    std::vector<std::string> cells;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        cells.push_back(CellText(statement, i));
    }
    return cells;
}

// Journal settings are best effort: a damaged file is replaced by the first statement that fails on it.
// True when the connection ended up in write-ahead-log mode.
bool ConfigureJournal(sqlite3* connection, const std::string& name) {
    std::string mode;
    const auto keepMode = [](void* target, int columns, char** values, char**) {
        if (columns > 0 && values[0] != nullptr) {
            *static_cast<std::string*>(target) = values[0];
        }
        return 0;
    };
    const int journal = sqlite3_exec(connection, "PRAGMA journal_mode=WAL;", keepMode, &mode, nullptr);
    const int synchronous = sqlite3_exec(connection, "PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    if (journal != SQLITE_OK || synchronous != SQLITE_OK) {
        Log::Debug(LOG_TAG, "<%s> could not set the journal: %s", name, std::string(sqlite3_errmsg(connection)));
    }
    return journal == SQLITE_OK && mode == "wal";
}

}  // namespace

Database::Database(const std::string& name, const std::string& directory) : name_(name) {
    std::string path = directory.empty() ? std::string() : directory + "/" + name;
    sqlite3* connection = nullptr;
    int status =
        sqlite3_open_v2(path.c_str(), &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (status != SQLITE_OK) {
        std::string message = connection != nullptr ? sqlite3_errmsg(connection) : sqlite3_errstr(status);
        Log::Debug(LOG_TAG, "<%s> failed to open: %s", name, message);
        sqlite3_close(connection);
        Throw(SdkError("database.open_error", message + name, CurrentDebugInfo()));
    }
    sqlite3_busy_timeout(connection, BUSY_TIMEOUT_MILLISECONDS);
    writeAheadLog_ = ConfigureJournal(connection, name);
    connection_ = connection;
    Log::Trace(LOG_TAG, "<%s> opened successfully", name);
}

Database::~Database() { CloseConnection(); }

SdkError Database::StatementError(int resultCode, const std::string& message) {
    return SdkError(QUERY_EXEC_ERROR, message,
                    SdkError(RESULT_CODE_PREFIX + ResultCodeName(resultCode), sqlite3_errstr(resultCode),
                             CurrentDebugInfo()),
                    CurrentDebugInfo());
}

void Database::CloseConnection() {
    MutexLock lock(mutex_);
    sqlite3_close_v2(connection_);
    connection_ = nullptr;
}

sqlite3* Database::ConnectionOrThrow() const {
    if (connection_ == nullptr) {
        ThrowQueryError(SQLITE_MISUSE, "The database connection is closed.");
    }
    return connection_;
}

bool Database::RunQuerySqlite(const std::string& sql, QueryResult* holder, const Binder& bind) {
    MutexLock lock(mutex_);
    return RunLocked(sql, holder, bind);
}

bool Database::RunLocked(const std::string& sql, QueryResult* holder, const Binder& bind) {
    sqlite3* connection = ConnectionOrThrow();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) !=
        SQLITE_OK) {
        std::string message = sqlite3_errmsg(connection);
        int resultCode = sqlite3_errcode(connection);
        Log::Debug(LOG_TAG, "ERROR inserting data: %s. \n", message);
        sqlite3_finalize(raw);
        ThrowQueryError(resultCode, message);
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);
    if (raw == nullptr) {
        std::string message = sqlite3_errstr(SQLITE_MISUSE);
        Log::Debug(LOG_TAG, "ERROR inserting data: %s. Sql statement: %s\n", message, std::string());
        ThrowQueryError(SQLITE_MISUSE, message);
    }
    if (bind && !bind(raw)) {
        ThrowQueryError(sqlite3_errcode(connection), sqlite3_errmsg(connection));
    }
    std::vector<std::string> columnNames =
        holder != nullptr ? ColumnNamesOf(raw) : std::vector<std::string>();
    for (;;) {
        int step = sqlite3_step(raw);
        if (step == SQLITE_DONE) {
            return true;
        }
        if (step != SQLITE_ROW) {
            std::string message = sqlite3_errmsg(connection);
            Log::Debug(LOG_TAG, "ERROR inserting data: %s. Sql statement: %s\n", message,
                       std::string(sqlite3_sql(raw)));
            ThrowQueryError(step, message);
        }
        if (holder != nullptr) {
            holder->SetArgs(RowOf(raw), columnNames);
        }
    }
}

bool Database::CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                           const std::vector<ColumnDataType>& columnDataTypes,
                           const std::vector<std::vector<ColumnConstraint>>& columnConstraints) {
    return CreateTable(table, columnNames, columnDataTypes, columnConstraints, false);
}

bool Database::CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                           const std::vector<ColumnDataType>& columnDataTypes,
                           const std::vector<std::vector<ColumnConstraint>>& columnConstraints,
                           bool withDefaults) {
    return RunQuerySqlite(QueryStringBuilder::PrepareCreateTableQueryString(
                              table, columnNames, columnDataTypes, columnConstraints, withDefaults),
                          nullptr, nullptr);
}

bool Database::TableExistQuery(const std::string& table) {
    QueryResult holder;
    RunQuerySqlite("SELECT name FROM sqlite_master WHERE type='table' AND name=?", &holder,
                   [&table](sqlite3_stmt* statement) { return BindSelectionArgs(statement, {table}, 1); });
    return holder.GetCount() == 1;
}

bool Database::Insert(const std::string& table, const ColumnValues& values) {
    if (!TableExistQuery(table)) {
        ThrowQueryError(SQLITE_ERROR, "Table does not exist\n");
    }
    return RunQuerySqlite(InsertSql(table, values), nullptr,
                          [&values](sqlite3_stmt* statement) { return BindValues(statement, values, 1); });
}

bool Database::InsertRows(const std::string& table, const std::vector<ColumnValues>& rows) {
    if (!TableExistQuery(table)) {
        ThrowQueryError(SQLITE_ERROR, "Table does not exist\n");
    }
    MutexLock lock(mutex_);
    RunLocked("BEGIN IMMEDIATE TRANSACTION;", nullptr, nullptr);
    try {
        for (const ColumnValues& values : rows) {
            RunLocked(InsertSql(table, values), nullptr,
                      [&values](sqlite3_stmt* statement) { return BindValues(statement, values, 1); });
        }
        RunLocked("COMMIT TRANSACTION;", nullptr, nullptr);
    } catch (...) {
        RollbackLocked();
        throw;
    }
    return true;
}

std::shared_ptr<QueryResultInterface> Database::RunQuery(const std::shared_ptr<Query>& query) {
    if (!query) {
        ThrowQueryError(SQLITE_MISUSE, "The query is null.");
    }
    std::vector<std::string> columns = query->GetColumns();
    std::string sql = "SELECT " + (columns.empty() ? std::string("*") : Join(columns, ", ")) + " FROM " +
                      query->GetTable() + " ";
    std::string selection = query->GetSelection();
    if (!selection.empty()) {
        sql += " WHERE " + selection;
    }
    const std::pair<const char*, std::string> clauses[] = {{" GROUP BY ", query->GetGroupBy()},
                                                           {" HAVING ", query->GetHaving()},
                                                           {" ORDER BY ", query->GetOrderBy()},
                                                           {" LIMIT ", query->GetLimit()}};
    for (const auto& clause : clauses) {
        if (!clause.second.empty()) {
            sql += clause.first + clause.second + " ";
        }
    }
    auto result = std::make_shared<QueryResult>();
    std::vector<std::string> args =
        selection.empty() ? std::vector<std::string>() : query->GetSelectionArgs();
    RunQuerySqlite(sql, result.get(),
                   [&args](sqlite3_stmt* statement) { return BindSelectionArgs(statement, args, 1); });
    return result;
}

bool Database::Update(const std::string& table, const ColumnValues& values, const std::string& selection,
                      const std::vector<std::string>& selectionArgs) {
    std::string sql = "Update " + table + " SET " + Join(KeysOf(values), ", ", "=?");
    if (!selection.empty()) {
        sql += " WHERE " + selection;
    }
    return RunQuerySqlite(sql, nullptr, [&](sqlite3_stmt* statement) {
        int afterValues = static_cast<int>(values.size()) + 1;
        return BindValues(statement, values, 1) &&
               (selection.empty() || BindSelectionArgs(statement, selectionArgs, afterValues));
    });
}

bool Database::Delete(const std::string& table, const std::string& selection,
                      const std::vector<std::string>& selectionArgs) {
    MutexLock lock(mutex_);
    return RunDelete(table, selection, selectionArgs);
}

// In write-ahead-log mode a commit at NORMAL is written to the log without a sync; the next commit at
// FULL syncs the log and with it this deletion.
bool Database::DeleteUnsynced(const std::string& table, const std::string& selection,
                              const std::vector<std::string>& selectionArgs) {
    MutexLock lock(mutex_);
    sqlite3* connection = ConnectionOrThrow();
    // Inside a transaction the level would hold for that transaction's commit too; with a rollback
    // journal, NORMAL could leave a damaged file after a power failure.
    if (!writeAheadLog_ || sqlite3_get_autocommit(connection) == 0) {
        return RunDelete(table, selection, selectionArgs);
    }
    SetSynchronous(connection, "PRAGMA synchronous=NORMAL;");
    try {
        RunDelete(table, selection, selectionArgs);
    } catch (...) {
        SetSynchronous(connection, "PRAGMA synchronous=FULL;");
        throw;
    }
    SetSynchronous(connection, "PRAGMA synchronous=FULL;");
    return true;
}

bool Database::RunDelete(const std::string& table, const std::string& selection,
                         const std::vector<std::string>& selectionArgs) {
    std::string sql = "DELETE FROM " + table;
    if (!selection.empty()) {
        sql += " WHERE " + selection;
    }
    return RunLocked(sql, nullptr, [&](sqlite3_stmt* statement) {
        Log::Trace(LOG_TAG, "sql delete statement %s.\n", std::string(sqlite3_sql(statement)));
        return selection.empty() || BindSelectionArgs(statement, selectionArgs, 1);
    });
}

bool Database::DeleteTable(const std::string& table) {
    return RunQuerySqlite("DROP TABLE IF EXISTS " + table, nullptr, nullptr);
}

void Database::Close() {}

bool Database::TableContainsColumn(const std::string& table, const std::string& column) {
    if (table.empty() || column.empty()) {
        return false;
    }
    MutexLock lock(mutex_);
    return connection_ != nullptr &&
           sqlite3_table_column_metadata(connection_, nullptr, table.c_str(), column.c_str(), nullptr,
                                         nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::vector<std::string> Database::GetColumnNamesForTable(const std::string& table) {
    std::vector<std::string> names;
    if (table.empty()) {
        return names;
    }
    std::string sql = "PRAGMA table_info(" + table + ");";
    MutexLock lock(mutex_);
    sqlite3_stmt* raw = nullptr;
    if (connection_ == nullptr ||
        sqlite3_prepare_v2(connection_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return names;
    }
    while (sqlite3_step(raw) == SQLITE_ROW) {
        names.push_back(CellText(raw, 1));
    }
    sqlite3_finalize(raw);
    return names;
}

std::vector<std::string> Database::UnionColumns(const std::vector<std::string>& columnNames,
                                                const std::string& table) {
    std::vector<std::string> kept;
    if (table.empty()) {
        return kept;
    }
    for (const std::string& column : columnNames) {
        if (TableContainsColumn(table, column)) {
            kept.push_back(column);
        }
    }
    return kept;
}

bool Database::RenameTable(const std::string& oldName, const std::string& newName) {
    if (oldName.empty() || newName.empty()) {
        return false;
    }
    if (oldName == newName) {
        return true;
    }
    return RunQuerySqlite("ALTER TABLE " + oldName + " RENAME TO " + newName + ";", nullptr, nullptr);
}

bool Database::CopyColumnsFromTableToTable(const std::string& sourceTable,
                                           const std::string& destinationTable,
                                           const std::vector<std::string>& columnNames) {
    if (sourceTable.empty() || destinationTable.empty()) {
        return false;
    }
    if (columnNames.empty()) {
        return true;
    }
    std::string columns = Join(columnNames, ", ", " ");
    return RunQuerySqlite("INSERT INTO " + destinationTable + " (" + columns + ") SELECT " + columns +
                              " FROM " + sourceTable + ";",
                          nullptr, nullptr);
}

bool Database::BeginTransaction(TransactionType type) {
    return RunQuerySqlite("BEGIN " + GetTransactionTypeName(type) + " TRANSACTION;", nullptr, nullptr);
}

bool Database::EndTransaction() { return RunQuerySqlite("END TRANSACTION;", nullptr, nullptr); }

void Database::RollbackIfInTransaction() {
    MutexLock lock(mutex_);
    RollbackLocked();
}

void Database::RollbackLocked() {
    if (connection_ != nullptr && sqlite3_get_autocommit(connection_) == 0) {
        sqlite3_exec(connection_, "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
    }
}

bool Database::AttemptDatabaseMigration(const std::string& table, const std::vector<std::string>& columnNames,
                                        const std::vector<ColumnDataType>& columnDataTypes,
                                        const std::vector<std::vector<ColumnConstraint>>& columnConstraints) {
    if (table.empty() || columnNames.empty() || columnDataTypes.empty() || columnConstraints.empty()) {
        return false;
    }
    std::string temporaryTable = table + MIGRATION_DATABASE_TAG;
    std::vector<std::string> keptColumns = UnionColumns(columnNames, table);
    if (!BeginTransaction(TransactionType::EXCLUSIVE)) {
        return false;
    }
    bool migrated = false;
    try {
        migrated = CreateTable(temporaryTable, columnNames, columnDataTypes, columnConstraints, true) &&
                   CopyColumnsFromTableToTable(table, temporaryTable, keptColumns) && DeleteTable(table) &&
                   RenameTable(temporaryTable, table) && EndTransaction();
    } catch (...) {
        RollbackIfInTransaction();
        throw;
    }
    if (!migrated) {
        RollbackIfInTransaction();
    }
    return migrated;
}

}  // namespace NuvraMobile
