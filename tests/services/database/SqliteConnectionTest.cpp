#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <memory>
#include <string>

#include "services/database/SqliteConnection.h"
#include "services/database/SqliteStatement.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

constexpr int OPEN_FLAGS = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

std::string FirstColumn(SqliteConnection& connection, const std::string& sql) {
    std::string value;
    EXPECT_EQ(SQLITE_OK, connection.Execute(sql, &value)) << sql;
    return value;
}

// A file with one row in a rollback journal, as an older store would have left it.
void WriteRollbackJournalFile(const std::string& path) {
    SqliteConnection old(path, OPEN_FLAGS);
    ASSERT_EQ(SQLITE_OK, old.Execute("CREATE TABLE T(V TEXT); INSERT INTO T VALUES('kept');"));
}

void WriteGarbage(const std::string& path) { std::ofstream(path) << std::string(4096, 'x'); }

// Every file ends in the log at full synchronisation and keeps its rows; what cannot be a log says so.
// Only a file that was empty is marked new, once.
TEST(SqliteConnectionTest, UseWriteAheadLogSwitchesEveryKindOfFileItCan) {
    FileSystemTestFolder folder;
    const struct {
        const char* name;
        void (*prepare)(const std::string& path);
        int result;
        bool inWriteAheadLog;
        bool newFile;
    } files[] = {
        {"new.sqlite", nullptr, SQLITE_OK, true, true},
        {"old.sqlite", &WriteRollbackJournalFile, SQLITE_OK, true, false},
        {"garbage.sqlite", &WriteGarbage, SQLITE_NOTADB, false, false},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = folder.PathOf(file.name);
        if (file.prepare != nullptr) {
            file.prepare(path);
        }
        SqliteConnection connection(path, OPEN_FLAGS);
        bool inWriteAheadLog = !file.inWriteAheadLog;
        EXPECT_EQ(file.result, connection.UseWriteAheadLog(inWriteAheadLog));
        EXPECT_EQ(file.inWriteAheadLog, inWriteAheadLog);
        EXPECT_EQ(file.newFile, connection.TakeNewFileMark());
        EXPECT_FALSE(connection.TakeNewFileMark());
        if (file.result == SQLITE_OK) {
            EXPECT_EQ("wal", FirstColumn(connection, "PRAGMA journal_mode;"));
            EXPECT_EQ("2", FirstColumn(connection, "PRAGMA synchronous;"));
        }
    }
    SqliteConnection reopened(folder.PathOf("old.sqlite"), OPEN_FLAGS);
    EXPECT_EQ("kept", FirstColumn(reopened, "SELECT V FROM T;"));
    EXPECT_EQ("wal", FirstColumn(reopened, "PRAGMA journal_mode;"));
}

TEST(SqliteConnectionTest, ANewFileIsNoLongerNewOnceAStatementIsPrepared) {
    FileSystemTestFolder folder;
    SqliteConnection connection(folder.PathOf("new.sqlite"), OPEN_FLAGS);
    bool inWriteAheadLog = false;
    ASSERT_EQ(SQLITE_OK, connection.UseWriteAheadLog(inWriteAheadLog));
    connection.Prepare("SELECT 1;");
    EXPECT_FALSE(connection.TakeNewFileMark());
}

TEST(SqliteConnectionTest, AnInMemoryDatabaseKeepsItsOwnJournal) {
    SqliteConnection connection(":memory:", OPEN_FLAGS);
    bool inWriteAheadLog = true;
    EXPECT_EQ(SQLITE_OK, connection.UseWriteAheadLog(inWriteAheadLog));
    EXPECT_FALSE(inWriteAheadLog);
}

TEST(SqliteConnectionTest, AFailedOpenIsClosedAndSaysWhy) {
    FileSystemTestFolder folder;
    SqliteConnection connection(folder.PathOf("missing/folder/file.sqlite"), OPEN_FLAGS);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(SQLITE_CANTOPEN, connection.OpenStatus());
    EXPECT_FALSE(connection.ErrorMessage().empty());
    EXPECT_EQ(SQLITE_MISUSE, connection.Execute("SELECT 1;"));
    EXPECT_FALSE(connection.Prepare("SELECT 1;")->IsValid());
    EXPECT_FALSE(connection.InTransaction());
}

TEST(SqliteConnectionTest, ATextWithoutAStatementPreparesNothing) {
    SqliteConnection connection(":memory:", OPEN_FLAGS);
    for (const char* sql : {"", "  ", "-- a comment"}) {
        SCOPED_TRACE(sql);
        EXPECT_EQ(SQLITE_MISUSE, connection.Prepare(sql)->PrepareStatus());
    }
}

}  // namespace
}  // namespace NuvraMobile
