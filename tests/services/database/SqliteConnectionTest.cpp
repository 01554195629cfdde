#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <memory>
#include <string>

#include "services/database/SqliteConnection.h"
#include "services/database/SqliteStatement.h"
#include "support/ChildProcess.h"
#include "support/CrashSimulatingVfs.h"
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

// The two ways a new file is refused the log: a file system that gives SQLite no shared memory, and
// another connection that holds the file past the busy timeout (none here, to keep the test quick).
struct LogRefusal {
    const char* name;
    bool sharedMemory;
    bool heldByAReader;
    int result;
};
constexpr LogRefusal LOG_REFUSALS[] = {
    {"a file system without shared memory", false, false, SQLITE_OK},
    {"another connection reading the new file", true, true, SQLITE_BUSY},
};

/** Opens the new file at `path` under the refusal and switches it as the services do. */
std::unique_ptr<SqliteConnection> OpenRefusedTheLog(const LogRefusal& refusal, const std::string& path,
                                                    int& result, bool& inWriteAheadLog) {
    std::unique_ptr<SqliteConnection> reader;
    if (refusal.heldByAReader) {
        reader = std::make_unique<SqliteConnection>(path, OPEN_FLAGS);
        reader->Execute("BEGIN; SELECT count(*) FROM sqlite_master;");
    }
    auto connection = std::make_unique<SqliteConnection>(path, OPEN_FLAGS);
    connection->SetBusyTimeout(0);
    result = connection->UseWriteAheadLog(inWriteAheadLog);
    return connection;
}

// The journal of a new file stays in memory only for the switch: refused the log, it is on disk again,
// and the file is not marked new, since its first schema would then be written unsynced in place.
TEST(SqliteConnectionTest, ANewFileRefusedTheLogGoesBackToAJournalOnDisk) {
    for (const LogRefusal& refusal : LOG_REFUSALS) {
        SCOPED_TRACE(refusal.name);
        FileSystemTestFolder folder;
        CrashSimulatingVfs layer({refusal.sharedMemory, ""});
        int result = SQLITE_OK;
        bool inWriteAheadLog = true;
        const auto connection = OpenRefusedTheLog(refusal, folder.PathOf("new.sqlite"), result, inWriteAheadLog);
        EXPECT_EQ(refusal.result, result);
        EXPECT_FALSE(inWriteAheadLog);
        EXPECT_EQ("delete", FirstColumn(*connection, "PRAGMA journal_mode;"));
        EXPECT_FALSE(connection->TakeNewFileMark());
    }
}

// A process ended in the middle of a 200-row commit to such a file leaves it sound with every row that
// was committed before.
TEST(SqliteConnectionTest, ANewFileRefusedTheLogSurvivesAProcessEndedInTheMiddleOfACommit) {
    const std::string insertRows =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
        "INSERT INTO rows(v) SELECT printf('%0100d', i) FROM n;";
    for (const LogRefusal& refusal : LOG_REFUSALS) {
        SCOPED_TRACE(refusal.name);
        FileSystemTestFolder folder;
        const std::string path = folder.PathOf("rows.sqlite");
        EXPECT_FALSE(RunInChildProcess([&] {
            CrashSimulatingVfs layer({refusal.sharedMemory, ""});
            int result = SQLITE_OK;
            bool inWriteAheadLog = true;
            const auto connection = OpenRefusedTheLog(refusal, path, result, inWriteAheadLog);
            connection->Execute("CREATE TABLE rows(v TEXT);" + insertRows);
            layer.EndProcessAtWrite("rows.sqlite", 3);
            connection->Execute(insertRows);
        })) << "the process was to end in the middle of the second commit";
        EXPECT_EQ("ok", IntegrityCheckOf(path));
        SqliteConnection reopened(path, OPEN_FLAGS);
        EXPECT_EQ("200", FirstColumn(reopened, "SELECT count(*) FROM rows;"));
    }
}

}  // namespace
}  // namespace NuvraMobile
