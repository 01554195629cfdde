#include "services/database/Database.h"

#include <sqlite3.h>

#include <iterator>
#include <memory>
#include <utility>

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/Query.h"
#include "platformShim/QueryStringBuilder.h"
#include "services/database/QueryResult.h"
#include "services/database/SqliteConnection.h"
#include "services/database/SqliteStatement.h"
#include "util/Log.h"

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

// Booleans are stored as the texts "1" and "0"; a null variant (or a missing value) as SQL NULL.
bool BindVariant(SqliteStatement& statement, int index, const std::shared_ptr<Variant>& value) {
    if (!value) {
        return statement.BindNull(index);
    }
    switch (value->GetKind()) {
        case VariantKind::VARIANT_NULL:
            return statement.BindNull(index);
        case VariantKind::VARIANT_STRING: {
            std::string text;
            return !value->GetString(text) || statement.BindText(index, text);
        }
        case VariantKind::VARIANT_INTEGER: {
            std::int32_t number = 0;
            return !value->GetInteger(number) || statement.BindInt64(index, number);
        }
        case VariantKind::VARIANT_LONG: {
            std::int64_t number = 0;
            return !value->GetLong(number) || statement.BindInt64(index, number);
        }
        case VariantKind::VARIANT_DOUBLE: {
            double number = 0;
            return !value->GetDouble(number) || statement.BindDouble(index, number);
        }
        case VariantKind::VARIANT_BOOLEAN: {
            bool flag = false;
            return !value->GetBoolean(flag) || statement.BindText(index, flag ? "1" : "0");
        }
        default:
            ThrowQueryError(SQLITE_MISMATCH, "A value of this kind cannot be stored in a column.");
    }
}

// Parameters from `firstIndex` on, in key order: the order in which the columns were written.
bool BindValues(SqliteStatement& statement, const DatabaseInterface::ColumnValues& values, int firstIndex) {
    int index = firstIndex;
    for (const auto& entry : values) {
        if (!BindVariant(statement, index++, entry.second)) {
            return false;
        }
    }
    return true;
}

// Arguments past the statement's last parameter are ignored; parameters left without one stay NULL.
bool BindSelectionArgs(SqliteStatement& statement, const std::vector<std::string>& args, int firstIndex) {
    const int lastIndex = statement.ParameterCount();
    for (size_t i = 0; i < args.size() && firstIndex + static_cast<int>(i) <= lastIndex; ++i) {
        if (!statement.BindText(firstIndex + static_cast<int>(i), args[i])) {
            return false;
        }
    }
    return true;
}

std::string CellText(const SqliteStatement& statement, int column) {
    switch (statement.ColumnType(column)) {
        case SQLITE_INTEGER:
            return std::to_string(statement.ColumnInt64(column));
        case SQLITE_FLOAT:
            return std::to_string(statement.ColumnDouble(column));
        case SQLITE_TEXT:
            return statement.ColumnBytes(column);
        default:
            return "";
    }
}

std::vector<std::string> ColumnNamesOf(const SqliteStatement& statement) {
    std::vector<std::string> names;
    for (int i = 0; i < statement.ColumnCount(); ++i) {
        names.push_back(statement.ColumnName(i));
    }
    return names;
}

std::vector<std::string> RowOf(const SqliteStatement& statement) {
    std::vector<std::string> cells;
    for (int i = 0; i < statement.ColumnCount(); ++i) {
        cells.push_back(CellText(statement, i));
    }
    return cells;
}

// Resets a kept statement however its run ends, so that it holds no lock on the file between calls.
class ResetOnExit {
public:
    explicit ResetOnExit(SqliteStatement& statement) : statement_(statement) {}
    ~ResetOnExit() { statement_.Reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    SqliteStatement& statement_;
};

}  // namespace

Database::Database(const std::string& name, const std::string& directory)
    : Database(name, SqlitePath{directory.empty() ? std::string() : directory + "/" + name}) {}

std::shared_ptr<Database> Database::OpenInMemory(const std::string& name) {
    return std::shared_ptr<Database>(new Database(name, SqlitePath{":memory:"}));
}

Database::Database(const std::string& name, const SqlitePath& location) : name_(name), path_(location.path) {
    MutexLock lock(mutex_);
    OpenLocked();
    Log::Trace(LOG_TAG, "<%s> opened successfully", name);
}

void Database::OpenLocked() {
    auto connection = std::make_unique<SqliteConnection>(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!connection->IsOpen()) {
        std::string message = connection->ErrorMessage();
        Log::Debug(LOG_TAG, "<%s> failed to open: %s", name_, message);
        Throw(SdkError(OPEN_ERROR, message + ": " + name_, CurrentDebugInfo()));
    }
    connection->SetBusyTimeout(BUSY_TIMEOUT_MILLISECONDS);
    bool inWriteAheadLog = false;
    std::string unwritable;
    const int journal = connection->SetUpForWriting(inWriteAheadLog, unwritable);
    if (!unwritable.empty()) {
        ThrowUnwritable(unwritable);
    }
    // Other journal failures are left to the first statement: a damaged file is replaced then.
    if (journal != SQLITE_OK) {
        Log::Debug(LOG_TAG, "<%s> could not set the journal: %s", name_, connection->ErrorMessage());
    }
    writeAheadLog_ = inWriteAheadLog;
    connection_ = std::move(connection);
}

void Database::ThrowUnwritable(const std::string& reason) const {
    Log::Debug(LOG_TAG, "<%s> cannot be written: %s", name_, reason);
    Throw(SdkError(OPEN_ERROR, name_ + " cannot be written: " + reason,
                   SdkError(RESULT_CODE_PREFIX + ResultCodeName(SQLITE_READONLY), reason, CurrentDebugInfo()),
                   CurrentDebugInfo()));
}

bool Database::IsUnwritable(const SdkError& error) {
    SdkError inner;
    return error.CodeIs(OPEN_ERROR) && error.GetInner(inner) &&
           inner.GetCode() == RESULT_CODE_PREFIX + ResultCodeName(SQLITE_READONLY);
}

void Database::ReopenAfter(const std::function<void()>& whileClosed) {
    MutexLock lock(mutex_);
    CloseLocked(false);
    whileClosed();
    OpenLocked();
}

Database::~Database() { CloseConnection(); }

SdkError Database::StatementError(int resultCode, const std::string& message) {
    return SdkError(QUERY_EXEC_ERROR, message,
                    SdkError(RESULT_CODE_PREFIX + ResultCodeName(resultCode), SqliteConnection::ResultText(resultCode),
                             CurrentDebugInfo()),
                    CurrentDebugInfo());
}

void Database::CloseConnection() {
    MutexLock lock(mutex_);
    CloseLocked(false);
}

// Closing inside a transaction would roll back the rows written in it so far (a reset's copy, a
// migration), and its end would then fail on a connection outside any transaction.
void Database::CloseUntilNextUse() {
    MutexLock lock(mutex_);
    if (connection_ && connection_->InTransaction()) {
        closeWhenTransactionEnds_ = true;
        return;
    }
    CloseLocked(true);
}

void Database::OpenAgainIfClosed() {
    MutexLock lock(mutex_);
    if (!connection_ && reopenOnUse_) {
        OpenLocked();
    }
}

void Database::CloseLocked(bool reopenOnUse) {
    statements_.clear();
    connection_.reset();
    reopenOnUse_ = reopenOnUse;
    closeWhenTransactionEnds_ = false;
}

void Database::CloseIfTransactionEndedLocked() {
    if (closeWhenTransactionEnds_ && !(connection_ && connection_->InTransaction())) {
        CloseLocked(true);
    }
}

Database::OperationLock::OperationLock(Database& database) : database_(database), lock_(database.mutex_) {}

Database::OperationLock::~OperationLock() {
    database_.mutex_.AssertHeld();
    database_.CloseIfTransactionEndedLocked();
}

SqliteConnection& Database::ConnectionOrThrow() {
    if (!connection_ && reopenOnUse_) {
        OpenLocked();
    }
    if (!connection_) {
        ThrowQueryError(SQLITE_MISUSE, "The database connection is closed.");
    }
    return *connection_;
}

bool Database::RunQuerySqlite(const std::string& sql, QueryResult* holder, const Binder& bind) {
    OperationLock lock(*this);
    return RunLocked(sql, holder, bind);
}

SqliteStatement& Database::PreparedLocked(const std::string& sql) {
    SqliteConnection& connection = ConnectionOrThrow();
    if (const auto kept = statements_.find(sql); kept != statements_.end()) {
        return *kept->second;
    }
    std::unique_ptr<SqliteStatement> statement = connection.Prepare(sql);
    if (!statement->IsValid()) {
        const bool empty = statement->PrepareStatus() == SQLITE_MISUSE;
        const std::string message = empty ? SqliteConnection::ResultText(SQLITE_MISUSE) : connection.ErrorMessage();
        Log::Debug(LOG_TAG, "ERROR inserting data: %s. Sql statement: %s\n", message, sql);
        ThrowQueryError(empty ? SQLITE_MISUSE : connection.ErrorCode(), message);
    }
    if (statements_.size() >= MAX_PREPARED_STATEMENTS) {
        statements_.clear();
    }
    return *statements_.emplace(sql, std::move(statement)).first->second;
}

bool Database::RunLocked(const std::string& sql, QueryResult* holder, const Binder& bind) {
    SqliteStatement& statement = PreparedLocked(sql);
    ResetOnExit reset(statement);
    if (bind && !bind(statement)) {
        ThrowQueryError(connection_->ErrorCode(), connection_->ErrorMessage());
    }
    const std::vector<std::string> columnNames =
        holder != nullptr ? ColumnNamesOf(statement) : std::vector<std::string>();
    for (;;) {
        const int step = statement.Step();
        if (step == SQLITE_DONE) {
            return true;
        }
        if (step != SQLITE_ROW) {
            const std::string message = connection_->ErrorMessage();
            Log::Debug(LOG_TAG, "ERROR inserting data: %s. Sql statement: %s\n", message, sql);
            ThrowQueryError(step, message);
        }
        if (holder != nullptr) {
            holder->SetArgs(RowOf(statement), columnNames);
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
    const std::string sql = QueryStringBuilder::PrepareCreateTableQueryString(table, columnNames, columnDataTypes,
                                                                              columnConstraints, withDefaults);
    OperationLock lock(*this);
    const auto create = [&] {
        mutex_.AssertHeld();
        return RunLocked(sql, nullptr, nullptr);
    };
    return ConnectionOrThrow().TakeNewFileMark() ? RunAtSynchronousLocked("OFF", create) : create();
}

bool Database::TableExistQuery(const std::string& table) {
    QueryResult holder;
    RunQuerySqlite("SELECT name FROM sqlite_master WHERE type='table' AND name=?", &holder,
                   [&table](SqliteStatement& statement) { return BindSelectionArgs(statement, {table}, 1); });
    return holder.GetCount() == 1;
}

bool Database::Insert(const std::string& table, const ColumnValues& values) {
    if (!TableExistQuery(table)) {
        ThrowQueryError(SQLITE_ERROR, "Table does not exist\n");
    }
    return RunQuerySqlite(InsertSql(table, values), nullptr,
                          [&values](SqliteStatement& statement) { return BindValues(statement, values, 1); });
}

bool Database::InsertRows(const std::string& table, const std::vector<ColumnValues>& rows) {
    if (!TableExistQuery(table)) {
        ThrowQueryError(SQLITE_ERROR, "Table does not exist\n");
    }
    OperationLock lock(*this);
    RunLocked("BEGIN IMMEDIATE TRANSACTION;", nullptr, nullptr);
    try {
        for (const ColumnValues& values : rows) {
            RunLocked(InsertSql(table, values), nullptr,
                      [&values](SqliteStatement& statement) { return BindValues(statement, values, 1); });
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
                   [&args](SqliteStatement& statement) { return BindSelectionArgs(statement, args, 1); });
    return result;
}

std::int64_t Database::CountRows(const std::string& table, const std::string& selection,
                                 const std::vector<std::string>& selectionArgs) {
    const std::string sql =
        "SELECT COUNT(*) FROM " + table + (selection.empty() ? std::string() : " WHERE " + selection);
    QueryResult count;
    RunQuerySqlite(sql, &count, [&](SqliteStatement& statement) {
        return selection.empty() || BindSelectionArgs(statement, selectionArgs, 1);
    });
    return count.MoveToFirst() ? count.GetLong(0) : 0;
}

bool Database::Update(const std::string& table, const ColumnValues& values, const std::string& selection,
                      const std::vector<std::string>& selectionArgs) {
    std::string sql = "Update " + table + " SET " + Join(KeysOf(values), ", ", "=?");
    if (!selection.empty()) {
        sql += " WHERE " + selection;
    }
    return RunQuerySqlite(sql, nullptr, [&](SqliteStatement& statement) {
        int afterValues = static_cast<int>(values.size()) + 1;
        return BindValues(statement, values, 1) &&
               (selection.empty() || BindSelectionArgs(statement, selectionArgs, afterValues));
    });
}

bool Database::Delete(const std::string& table, const std::string& selection,
                      const std::vector<std::string>& selectionArgs) {
    OperationLock lock(*this);
    return RunDelete(table, selection, selectionArgs);
}

// In write-ahead-log mode a commit at NORMAL is written to the log without a sync; the next commit at
// FULL syncs the log and with it this deletion.
bool Database::DeleteUnsynced(const std::string& table, const std::string& selection,
                              const std::vector<std::string>& selectionArgs) {
    OperationLock lock(*this);
    // Inside a transaction the level would hold for that transaction's commit too; with a rollback
    // journal, NORMAL could leave a damaged file after a power failure.
    if (!writeAheadLog_ || ConnectionOrThrow().InTransaction()) {
        return RunDelete(table, selection, selectionArgs);
    }
    return RunAtSynchronousLocked("NORMAL", [&] {
        mutex_.AssertHeld();
        return RunDelete(table, selection, selectionArgs);
    });
}

bool Database::RunAtSynchronousLocked(const std::string& level, const std::function<bool()>& statement) {
    SetSynchronousLocked("PRAGMA synchronous=" + level + ";");
    try {
        statement();
    } catch (...) {
        SetSynchronousLocked("PRAGMA synchronous=FULL;");
        throw;
    }
    SetSynchronousLocked("PRAGMA synchronous=FULL;");
    return true;
}

void Database::SetSynchronousLocked(const std::string& pragma) {
    TryCatch(
        [&] {
            mutex_.AssertHeld();
            RunLocked(pragma, nullptr, nullptr);
        },
        [&](SdkError& error) { Log::Error(LOG_TAG, "could not run %s: %s", pragma, error.GetMessage()); });
}

bool Database::RunDelete(const std::string& table, const std::string& selection,
                         const std::vector<std::string>& selectionArgs) {
    std::string sql = "DELETE FROM " + table;
    if (!selection.empty()) {
        sql += " WHERE " + selection;
    }
    return RunLocked(sql, nullptr, [&](SqliteStatement& statement) {
        Log::Trace(LOG_TAG, "sql delete statement %s.\n", statement.Sql());
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
    OperationLock lock(*this);
    SqliteConnection& connection = ConnectionOrThrow();
    const int found = connection.FindColumn(table, column);
    // A schema that could not be read is no answer: a migration that took it for a missing column would
    // drop that column's values.
    if (found != SQLITE_OK && found != SQLITE_ERROR) {
        ThrowQueryError(found, connection.ErrorMessage());
    }
    return found == SQLITE_OK;
}

std::vector<std::string> Database::GetColumnNamesForTable(const std::string& table) {
    std::vector<std::string> names;
    if (table.empty()) {
        return names;
    }
    OperationLock lock(*this);
    SqliteConnection& connection = ConnectionOrThrow();
    const std::unique_ptr<SqliteStatement> statement =
        connection.Prepare("PRAGMA table_info(" + table + ");");
    if (!statement->IsValid()) {
        ThrowQueryError(connection.ErrorCode(), connection.ErrorMessage());
    }
    for (int step = statement->Step(); step != SQLITE_DONE; step = statement->Step()) {
        if (step != SQLITE_ROW) {
            ThrowQueryError(step, connection.ErrorMessage());
        }
        names.push_back(CellText(*statement, 1));
    }
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
    OperationLock lock(*this);
    RollbackLocked();
}

void Database::RollbackLocked() {
    if (connection_ && connection_->InTransaction()) {
        connection_->Execute("ROLLBACK TRANSACTION;");
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
