#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace NuvraMobile {

/** A copy of one cell, kept as SQLite stored it (its own storage class and bytes). */
using SqliteValue = std::unique_ptr<sqlite3_value, void (*)(sqlite3_value*)>;

/**
 * One prepared SQLite statement, finalised by the destructor. Binding and reading are thin: results are
 * SQLite's own codes. Owned by one connection's user at a time; no lock of its own.
 */
class SqliteStatement {
public:
    /** Prepares the first statement of `sql`; PrepareStatus tells whether that worked. */
    SqliteStatement(sqlite3* connection, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    /** SQLite's result of the preparation; also an error when the text held no statement. */
    int PrepareStatus() const;
    bool IsValid() const;
    std::string Sql() const;

    int ParameterCount() const;
    bool BindNull(int index);
    bool BindInt64(int index, std::int64_t value);
    bool BindDouble(int index, double value);
    bool BindText(int index, const std::string& text);
    bool BindBlob(int index, const std::string& bytes);
    bool BindValue(int index, const sqlite3_value* value);

    /** One step: SQLite's SQLITE_ROW, SQLITE_DONE or the failure. */
    int Step();
    /** Back to its start with no bindings, holding no lock on the file. */
    void Reset();

    int ColumnCount() const;
    std::string ColumnName(int column) const;
    /** SQLite's storage class of the cell (SQLITE_INTEGER, SQLITE_TEXT...). */
    int ColumnType(int column) const;
    std::int64_t ColumnInt64(int column) const;
    double ColumnDouble(int column) const;
    /** The cell's bytes as text or blob; empty for NULL. */
    std::string ColumnBytes(int column) const;
    SqliteValue CopyColumn(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    int prepareStatus_;
};

}  // namespace NuvraMobile
