#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class Query;
class QueryResultInterface;
class SdkError;
class Variant;

/**
 * One open SQLite database. Implementations serialise the statements of one database themselves, so
 * every operation may be called from any thread. Statement failures are raised as SdkError
 * "database.query_exec_error" whose inner error names SQLite's primary result code as
 * "database.sqlite." followed by its lower-case name ("database.sqlite.full"); a false result comes only
 * from argument checks.
 */
class DatabaseInterface : public virtual ObjectInterface {
public:
    static constexpr const char* QUERY_EXEC_ERROR = "database.query_exec_error";
    static constexpr const char* RESULT_CODE_PREFIX = "database.sqlite.";
    /** Raised when the database's file cannot be opened, by the service or by a statement that opens it again. */
    static constexpr const char* OPEN_ERROR = "database.open_error";

    /**
     * True when a statement failed for a reason that passes and says nothing about the file: the disk is
     * full, an I/O error, busy or locked after the busy timeout, out of memory. Repeating the statement
     * later may succeed, and the stored rows are intact.
     */
    static bool IsPassingFailure(const SdkError& error);
    /**
     * True when a statement was refused for the row it writes (a constraint such as a repeated
     * identifier, a value of the wrong kind or too big), not for the state of the file.
     */
    static bool IsRowRefusal(const SdkError& error);
    /** True when a statement found the file damaged, or no database at all: its content cannot be read. */
    static bool IsDamagedFile(const SdkError& error);
    /**
     * True when a statement found the database closed (by the services' Dispose) and could not open its
     * file again: the database service's open, not a reset, finds what stands in for it.
     */
    static bool IsOpenFailure(const SdkError& error);

    enum class ColumnDataType : std::int32_t { INTEGER = 0, REAL = 1, TEXT = 2 };
    enum class ColumnConstraint : std::int32_t {
        NOT_NULL = 0,
        UNIQUE = 1,
        PRIMARY_KEY = 2,
        AUTOINCREMENT = 3
    };
    enum class TransactionType : std::int32_t { DEFERRED = 0, IMMEDIATE = 1, EXCLUSIVE = 2 };

    using ColumnValues = std::map<std::string, std::shared_ptr<Variant>>;

    /** "DEFERRED", "IMMEDIATE" or "EXCLUSIVE"; empty for a value outside the enumeration. */
    static std::string GetTransactionTypeName(TransactionType type);

    /** Creates the table unless it exists, without DEFAULT clauses. */
    virtual bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                             const std::vector<ColumnDataType>& columnDataTypes,
                             const std::vector<std::vector<ColumnConstraint>>& columnConstraints) = 0;
    virtual bool Insert(const std::string& table, const ColumnValues& values) = 0;
    /**
     * Inserts the rows in one transaction, committed as durably as one Insert: either every row is stored
     * or, when any statement fails, none is and the failure is raised.
     */
    virtual bool InsertRows(const std::string& table, const std::vector<ColumnValues>& rows) = 0;
    /** Every row of the query's SELECT; raises on a failing statement. */
    virtual std::shared_ptr<QueryResultInterface> RunQuery(const std::shared_ptr<Query>& query) = 0;
    /**
     * The number of rows matching `selection` ("?" placeholders bound to `selectionArgs`; empty means
     * all), counted by the database without reading them; raises on a failing statement.
     */
    virtual std::int64_t CountRows(const std::string& table, const std::string& selection,
                                   const std::vector<std::string>& selectionArgs) = 0;
    /** Updates the rows matching `selection` ("?" placeholders bound to `selectionArgs`); empty means all. */
    virtual bool Update(const std::string& table, const ColumnValues& values, const std::string& selection,
                        const std::vector<std::string>& selectionArgs) = 0;
    virtual bool Delete(const std::string& table, const std::string& selection,
                        const std::vector<std::string>& selectionArgs) = 0;
    /**
     * As Delete, but its commit does not wait for the disk: a crash of the process keeps the deletion, a
     * power failure may undo it until the next commit that waits. Inside an open transaction it is a Delete.
     */
    virtual bool DeleteUnsynced(const std::string& table, const std::string& selection,
                                const std::vector<std::string>& selectionArgs) = 0;
    virtual bool DeleteTable(const std::string& table) = 0;
    virtual void Close() = 0;
    /** Rebuilds the table in the given shape, keeping the values of the columns it already has. */
    virtual bool AttemptDatabaseMigration(
        const std::string& table, const std::vector<std::string>& columnNames,
        const std::vector<ColumnDataType>& columnDataTypes,
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints) = 0;
    virtual bool TableContainsColumn(const std::string& table, const std::string& column) = 0;
    /**
     * The table's column names in declaration order; empty for a missing table. Raises on a failing
     * statement, so that a failed read is never taken for a table without columns.
     */
    virtual std::vector<std::string> GetColumnNamesForTable(const std::string& table) = 0;
    /** Those of `columnNames` that the table has, in the given order. */
    virtual std::vector<std::string> UnionColumns(const std::vector<std::string>& columnNames,
                                                  const std::string& table) = 0;
    virtual bool RenameTable(const std::string& oldName, const std::string& newName) = 0;
    virtual bool CopyColumnsFromTableToTable(const std::string& sourceTable,
                                             const std::string& destinationTable,
                                             const std::vector<std::string>& columnNames) = 0;
    virtual bool BeginTransaction(TransactionType type) = 0;
    virtual bool EndTransaction() = 0;
    /** As the four-argument form; with `withDefaults` every column but "ID" gets its type's DEFAULT. */
    virtual bool CreateTable(const std::string& table, const std::vector<std::string>& columnNames,
                             const std::vector<ColumnDataType>& columnDataTypes,
                             const std::vector<std::vector<ColumnConstraint>>& columnConstraints,
                             bool withDefaults) = 0;
};

}  // namespace NuvraMobile
