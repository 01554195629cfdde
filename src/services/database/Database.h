#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "platformShim/DatabaseInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class QueryResult;
class SqliteConnection;
class SqliteStatement;

/**
 * One SQLite connection, opened by the constructor in write-ahead-log mode with full synchronisation
 * (a stored row survives a crash of the app or of the device) and a busy timeout, closed by the
 * destructor. Every statement runs through one runner that holds the object's mutex from preparation
 * to finalisation (a multi-row insert holds it for its whole transaction), so any thread may call any
 * operation. Only DeleteUnsynced commits without waiting for the disk. Values and selection arguments are always
 * bound as statement parameters, never pasted into the SQL text, so one SQL text serves every call: the
 * statements run most recently stay prepared (reset after each use, so none holds a lock on the file).
 */
class Database : public Object, public virtual DatabaseInterface {
public:
    static constexpr const char* DATABASE_SERVICE_LOG_PREFIX = "DatabaseService";
    static constexpr const char* MIGRATION_DATABASE_TAG = "_MIGRATION";
    /** How long a statement waits out a database locked by another connection. */
    static constexpr int BUSY_TIMEOUT_MILLISECONDS = 5000;
    /** Prepared statements kept; more distinct texts than this start the set afresh. */
    static constexpr size_t MAX_PREPARED_STATEMENTS = 24;

    /**
     * Opens directory + "/" + name, created when absent; an empty directory gives a private temporary
     * database. Throws SdkError "database.open_error" (SQLite's message, ": " and the name), and one that
     * IsUnwritable knows when the file or its folder refuses writes (the file is then left as it is).
     */
    Database(const std::string& name, const std::string& directory);
    ~Database() override;
    /**
     * A database in memory only, gone with the object, named `name` in log lines. Throws as the constructor.
     */
    static std::shared_ptr<Database> OpenInMemory(const std::string& name);
    /** True for the error of a file that could be opened for reading only. */
    static bool IsUnwritable(const SdkError& error);

    /** The error a statement failing with SQLite's `resultCode` raises (see DatabaseInterface). */
    static SdkError StatementError(int resultCode, const std::string& message);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                     const std::vector<ColumnDataType>& columnDataTypes,
                     const std::vector<std::vector<ColumnConstraint>>& columnConstraints) override;
    bool Insert(const std::string& table, const ColumnValues& values) override;
    /** One immediate transaction under the object's mutex, so no other statement joins it. */
    bool InsertRows(const std::string& table, const std::vector<ColumnValues>& rows) override;
    std::shared_ptr<QueryResultInterface> RunQuery(const std::shared_ptr<Query>& query) override;
    std::int64_t CountRows(const std::string& table, const std::string& selection,
                           const std::vector<std::string>& selectionArgs) override;
    bool Update(const std::string& table, const ColumnValues& values, const std::string& selection,
                const std::vector<std::string>& selectionArgs) override;
    bool Delete(const std::string& table, const std::string& selection,
                const std::vector<std::string>& selectionArgs) override;
    /** Runs at synchronous=NORMAL and sets FULL again before the mutex is released. */
    bool DeleteUnsynced(const std::string& table, const std::string& selection,
                        const std::vector<std::string>& selectionArgs) override;
    bool DeleteTable(const std::string& table) override;
    /** Does nothing: the connection closes with the object. */
    void Close() override;
    /** Rebuilds the table in one exclusive transaction, rolled back when any step fails. */
    bool AttemptDatabaseMigration(
        const std::string& table, const std::vector<std::string>& columnNames,
        const std::vector<ColumnDataType>& columnDataTypes,
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints) override;
    /** False for a missing table or column; raises when the schema cannot be read or the connection is
     * closed. */
    bool TableContainsColumn(const std::string& table, const std::string& column) override;
    std::vector<std::string> GetColumnNamesForTable(const std::string& table) override;
    std::vector<std::string> UnionColumns(const std::vector<std::string>& columnNames,
                                          const std::string& table) override;
    bool RenameTable(const std::string& oldName, const std::string& newName) override;
    bool CopyColumnsFromTableToTable(const std::string& sourceTable, const std::string& destinationTable,
                                     const std::vector<std::string>& columnNames) override;
    bool BeginTransaction(TransactionType type) override;
    bool EndTransaction() override;
    bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                     const std::vector<ColumnDataType>& columnDataTypes,
                     const std::vector<std::vector<ColumnConstraint>>& columnConstraints,
                     bool withDefaults) override;

    /**
     * Closes the connection now, before its file is deleted; every later statement on this object
     * raises "database.query_exec_error".
     */
    void CloseConnection();
    /**
     * Closes the connection, folding the write-ahead log into the file and removing the files beside it;
     * the next statement opens the file again, as the constructor does (raising as it does). Inside a
     * transaction the close waits for its end, without blocking the caller: the connection closes when the
     * operation that ends the transaction returns, so none of its rows is rolled back by the close.
     */
    void CloseUntilNextUse();
    /** Opens the connection again when CloseUntilNextUse closed it; throws as the constructor. */
    void OpenAgainIfClosed();
    /**
     * Closes the connection, runs `whileClosed` (which may put another file in the place of this one),
     * then opens the file again; every other statement waits meanwhile, so the holders of this object go
     * on with the file found there. Throws as the constructor, leaving the connection closed.
     */
    void ReopenAfter(const std::function<void()>& whileClosed) NVR_EXCLUDES(mutex_);

private:
    /**
     * Holds the mutex for one operation; on leaving, closes the connection when CloseUntilNextUse asked
     * for it inside a transaction that is over now (ended, or rolled back by SQLite on a failure).
     */
    class NVR_SCOPED_CAPABILITY OperationLock {
    public:
        explicit OperationLock(Database& database) NVR_ACQUIRE(database.mutex_);
        ~OperationLock() NVR_RELEASE();
        OperationLock(const OperationLock&) = delete;
        OperationLock& operator=(const OperationLock&) = delete;

    private:
        Database& database_;
        MutexLock lock_;
    };

    /** The SQLite path to open: a file, "" for a temporary database, ":memory:" for one in memory. */
    struct SqlitePath {
        std::string path;
    };
    Database(const std::string& name, const SqlitePath& location);
    /** Opens the connection of `path_` in write-ahead-log mode; throws as the constructor. */
    void OpenLocked() NVR_REQUIRES(mutex_);
    /** Finalises the statements, then closes the connection; `reopenOnUse` as CloseUntilNextUse. */
    void CloseLocked(bool reopenOnUse) NVR_REQUIRES(mutex_);
    /** The close CloseUntilNextUse put off, once no transaction is open. */
    void CloseIfTransactionEndedLocked() NVR_REQUIRES(mutex_);
    [[noreturn]] void ThrowUnwritable(const std::string& reason) const;

    /** Binds a prepared statement's parameters; false when SQLite refuses one. */
    using Binder = std::function<bool(SqliteStatement&)>;

    /** Runs the first statement of `sql`; rows go to `holder` when given. Throws on any failure. */
    bool RunQuerySqlite(const std::string& sql, QueryResult* holder, const Binder& bind) NVR_EXCLUDES(mutex_);
    bool RunLocked(const std::string& sql, QueryResult* holder, const Binder& bind) NVR_REQUIRES(mutex_);
    /** The prepared statement of `sql`, kept for the next call; throws when it cannot be prepared. */
    SqliteStatement& PreparedLocked(const std::string& sql) NVR_REQUIRES(mutex_);
    bool RunDelete(const std::string& table, const std::string& selection,
                   const std::vector<std::string>& selectionArgs) NVR_REQUIRES(mutex_);
    /**
     * Runs `statement` (which raises on failure) at the given synchronous level, FULL again afterwards in
     * every case; true when it ran.
     */
    bool RunAtSynchronousLocked(const std::string& level, const std::function<bool()>& statement)
        NVR_REQUIRES(mutex_);
    /** Sets the synchronous pragma; a failure is logged, since the statement it guards has run. */
    void SetSynchronousLocked(const std::string& pragma) NVR_REQUIRES(mutex_);
    void RollbackLocked() NVR_REQUIRES(mutex_);
    bool TableExistQuery(const std::string& table) NVR_EXCLUDES(mutex_);
    void RollbackIfInTransaction() NVR_EXCLUDES(mutex_);
    /** The connection, opened again after CloseUntilNextUse; raises when it is closed. */
    SqliteConnection& ConnectionOrThrow() NVR_REQUIRES(mutex_);

    const std::string name_;
    const std::string path_;
    mutable Mutex mutex_;
    // Declared before the statements, so that they are finalised before the connection closes.
    std::unique_ptr<SqliteConnection> connection_ NVR_GUARDED_BY(mutex_);
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>> statements_ NVR_GUARDED_BY(mutex_);
    bool writeAheadLog_ NVR_GUARDED_BY(mutex_) = false;
    // Closed by CloseUntilNextUse: the next statement opens the file again.
    bool reopenOnUse_ NVR_GUARDED_BY(mutex_) = false;
    // CloseUntilNextUse came inside a transaction: the connection closes once it is over.
    bool closeWhenTransactionEnds_ NVR_GUARDED_BY(mutex_) = false;
};

}  // namespace NuvraMobile
