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
    void Close();

    void SetBusyTimeout(int milliseconds);
    /** Runs every statement of `sql`; `firstColumn`, when given, receives the first column of the last row. */
    int Execute(const std::string& sql, std::string* firstColumn = nullptr);
    std::unique_ptr<SqliteStatement> Prepare(const std::string& sql) const;
    /**
     * Puts the database in write-ahead-log mode with full synchronisation (a commit is on disk when it
     * returns); `inWriteAheadLog` tells whether the mode took (an in-memory database keeps its own).
     * SQLite's result of the first statement that failed.
     */
    int UseWriteAheadLog(bool& inWriteAheadLog);

    /** The message of the last failure (of the opening when it failed). */
    std::string ErrorMessage() const;
    int ErrorCode() const;
    /** True inside a transaction that BEGIN opened. */
    bool InTransaction() const;
    bool TableHasColumn(const std::string& table, const std::string& column) const;

private:
    sqlite3* connection_ = nullptr;
    int openStatus_;
};

}  // namespace NuvraMobile
