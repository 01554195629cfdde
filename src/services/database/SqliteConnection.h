#pragma once

#include <memory>
#include <string>

struct sqlite3;

namespace NuvraMobile {

class SqliteStatement;

/**
 * One SQLite connection, closed by the destructor (statements prepared on it are finalised first by
 * their owners). Results are SQLite's own codes. No lock of its own: its owner serialises its use.
 */
class SqliteConnection {
public:
    /** Opens `path` with SQLite's open `flags`; on failure the object is closed and OpenStatus says why. */
    SqliteConnection(const std::string& path, int flags);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    int OpenStatus() const;
    bool IsOpen() const;
    /** True when SQLite could open the database file for reading only (it or its folder refuses writes). */
    bool IsReadOnly() const;
    void Close();

    void SetBusyTimeout(int milliseconds);
    /** Runs every statement of `sql`; `firstColumn`, when given, receives the first column of the last row. */
    int Execute(const std::string& sql, std::string* firstColumn = nullptr);
    std::unique_ptr<SqliteStatement> Prepare(const std::string& sql);
    /**
     * Puts the database in write-ahead-log mode with full synchronisation (a commit is on disk when it
     * returns); `inWriteAheadLog` tells whether the mode took (an in-memory database keeps its own). A
     * file refused the log keeps a rollback journal on disk. SQLite's result of the first statement that
     * failed.
     */
    int UseWriteAheadLog(bool& inWriteAheadLog);
    /**
     * True once, for a file that was empty when UseWriteAheadLog switched it to the log and on which
     * nothing has been prepared since. Its first schema may then be written without syncs: a schema made
     * again at every open loses nothing to a power failure, and the next commit's sync carries it (the
     * log is written in order). Nothing else is in the log yet, so no checkpoint runs unsynced.
     */
    bool TakeNewFileMark();
    /** Makes this database a copy of the whole of `source`'s; SQLite's result. */
    int CopyFrom(SqliteConnection& source);

    /** SQLite's text for a result code. */
    static std::string ResultText(int resultCode);
    /** The message of the last failure (of the opening when it failed). */
    std::string ErrorMessage() const;
    int ErrorCode() const;
    /** True inside a transaction that BEGIN opened. */
    bool InTransaction() const;
    /**
     * SQLITE_OK when the table has the column, SQLITE_ERROR when the table or the column is missing; any
     * other code when the schema could not be read.
     */
    int FindColumn(const std::string& table, const std::string& column) const;

private:
    sqlite3* connection_ = nullptr;
    int openStatus_;
    bool newFile_ = false;
};

}  // namespace NuvraMobile
