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
     * UseWriteAheadLog for a file that is to take writes, once the file and then its folder are found to
     * take them: the file is checked before any statement, since reading a file that cannot be written
     * makes files beside it, and a folder that refuses the log or journal is told by SQLite's result.
     * When either refuses, `unwritable` says which ("the file is read-only", "its folder cannot be
     * written") and the file is left as it is. UseWriteAheadLog's result.
     */
    int SetUpForWriting(bool& inWriteAheadLog, std::string& unwritable);
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
    /**
     * The file at `path` opened for reading only, making nothing beside it: with the log beside it when
     * there is one (and not `asItLies`), else as the file lies. Check IsOpen.
     */
    static std::unique_ptr<SqliteConnection> OpenToRead(const std::string& path, bool asItLies);
    /**
     * Makes this database a copy of the file at `path`, which is only read: nothing is made beside it
     * unless a log is there already. SQLITE_OK when there is no file; else SQLite's result.
     */
    int CopyFromFile(const std::string& path);

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
    /** Makes this database a copy of the whole of `source`'s; SQLite's result. */
    int CopyFrom(SqliteConnection& source);

    sqlite3* connection_ = nullptr;
    int openStatus_;
    bool newFile_ = false;
};

}  // namespace NuvraMobile
