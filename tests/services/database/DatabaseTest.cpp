#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/database/Database.h"
#include "support/ChildProcess.h"
#include "support/CrashSimulatingVfs.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;
using Values = DatabaseInterface::ColumnValues;

std::string ErrorCodeOf(const std::function<void()>& action, std::string* message = nullptr) {
    try {
        action();
    } catch (const SdkError& error) {
        if (message != nullptr) {
            *message = error.GetMessage();
        }
        return error.GetCode();
    }
    return "";
}

class DatabaseTest : public ::testing::Test {
protected:
    void CreateHitsTable(const std::string& table = "HITS") {
        ASSERT_TRUE(database->CreateTable(table, {"ID", "URL", "TIMESTAMP"},
                                          {Type::INTEGER, Type::TEXT, Type::INTEGER},
                                          {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}}));
    }

    /** Every row of the query as texts, column by column. */
    std::vector<std::vector<std::string>> Rows(const std::shared_ptr<Query>& query) {
        std::shared_ptr<QueryResultInterface> result = database->RunQuery(query);
        std::vector<std::vector<std::string>> rows;
        size_t columns = query->GetColumns().size();
        result->MoveToFirst();
        for (int32_t row = 0; row < result->GetCount(); ++row, result->MoveToNext()) {
            std::vector<std::string> cells;
            for (uint32_t column = 0; column < columns; ++column) {
                cells.push_back(result->GetString(column));
            }
            rows.push_back(cells);
        }
        return rows;
    }

    std::vector<std::vector<std::string>> AllUrls() {
        return Rows(QueryBuilder("HITS", {"URL"}).OrderBy("ID ASC").Build());
    }

    void InsertUrls(const std::vector<std::string>& urls) {
        for (const std::string& url : urls) {
            ASSERT_TRUE(database->Insert("HITS", {{"URL", Variant::FromString(url)}}));
        }
    }

    FileSystemTestFolder folder;
    std::shared_ptr<Database> database = std::make_shared<Database>("test.sqlite", folder.Path());
};

TEST_F(DatabaseTest, OpeningCreatesTheFileInTheDirectory) {
    CreateHitsTable();
    EXPECT_TRUE(std::filesystem::exists(folder.PathOf("test.sqlite")));
}

TEST_F(DatabaseTest, OpeningInAMissingDirectoryRaisesTheOpenErrorNamingTheFile) {
    std::string message;
    EXPECT_EQ("database.open_error",
              ErrorCodeOf([&] { Database("name.sqlite", folder.PathOf("missing")); }, &message));
    EXPECT_THAT(message, ::testing::EndsWith("unable to open database file: name.sqlite"));
}

TEST_F(DatabaseTest, AnEmptyDirectoryGivesAPrivateTemporaryDatabase) {
    Database temporary("ignored.sqlite", "");
    EXPECT_TRUE(temporary.CreateTable("T", {"A"}, {Type::TEXT}, {{}}));
    EXPECT_TRUE(temporary.Insert("T", {{"A", Variant::FromString("x")}}));
    EXPECT_FALSE(std::filesystem::exists("ignored.sqlite"));
}

TEST_F(DatabaseTest, ValuesComeBackAsTextByTheirStorageType) {
    ASSERT_TRUE(
        database->CreateTable("T", {"I", "L", "R", "S", "B", "N"},
                              {Type::INTEGER, Type::INTEGER, Type::REAL, Type::TEXT, Type::TEXT, Type::TEXT},
                              {{}, {}, {}, {}, {}, {}}));
    ASSERT_TRUE(database->Insert("T", {{"I", Variant::FromInteger(-5)},
                                       {"L", Variant::FromLong(9007199254740991)},
                                       {"R", Variant::FromDouble(0.1)},
                                       {"S", Variant::FromString("text")},
                                       {"B", Variant::FromBoolean(true)},
                                       {"N", Variant::FromNull()}}));
    EXPECT_THAT(Rows(QueryBuilder("T", {"I", "L", "R", "S", "B", "N"}).Build()),
                ElementsAre(ElementsAre("-5", "9007199254740991", "0.100000", "text", "1", "")));
}

TEST_F(DatabaseTest, AValueThatIsNoScalarCannotBeStored) {
    CreateHitsTable();
    for (const auto& value : {Variant::FromStringVector({"a"}), Variant::FromStringMap({{"k", "v"}})}) {
        EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] {
                      database->Insert("HITS", {{"URL", value}});
                  }));
    }
    EXPECT_THAT(AllUrls(), IsEmpty());
}

TEST_F(DatabaseTest, InsertIntoAMissingTableIsRefused) {
    std::string message;
    EXPECT_EQ("database.query_exec_error",
              ErrorCodeOf(
                  [&] {
                      database->Insert("MISSING", {{"URL", Variant::FromString("x")}});
                  },
                  &message));
    EXPECT_EQ("Table does not exist\n", message);
}

TEST_F(DatabaseTest, SelectionArgumentsAreStoredAndFoundIntact) {
    CreateHitsTable();
    const std::string values[] = {"it's",       "a?b", "x'; DROP TABLE HITS; --", "?",
                                  "\"quoted\"", "",    "multi\nline \xC3\xBC"};
    for (const std::string& value : values) {
        ASSERT_TRUE(database->Insert("HITS", {{"URL", Variant::FromString(value)}}));
        auto query = QueryBuilder("HITS", {"URL"}).Selection("URL = ?", {value}).Build();
        EXPECT_THAT(Rows(query), ElementsAre(ElementsAre(value))) << value;
    }
    EXPECT_EQ(static_cast<int32_t>(std::size(values)),
              database->RunQuery(QueryBuilder("HITS", {}).Build())->GetCount());
}

TEST_F(DatabaseTest, UnmatchedPlaceholdersStayNullAndExtraArgumentsAreIgnored) {
    CreateHitsTable();
    InsertUrls({"a", "b"});
    auto twoPlaceholders = QueryBuilder("HITS", {"URL"}).Selection("URL = ? OR URL = ?", {"a"}).Build();
    EXPECT_THAT(Rows(twoPlaceholders), ElementsAre(ElementsAre("a")));
    auto extraArgs = QueryBuilder("HITS", {"URL"}).Selection("URL = ?", {"b", "a"}).Build();
    EXPECT_THAT(Rows(extraArgs), ElementsAre(ElementsAre("b")));
}

TEST_F(DatabaseTest, AnEmptySelectionReadsEveryRowEvenWithArguments) {
    CreateHitsTable();
    InsertUrls({"a", "b"});
    EXPECT_EQ(2, database->RunQuery(QueryBuilder("HITS", {"URL"}).Selection("", {"a"}).Build())->GetCount());
}

TEST_F(DatabaseTest, RunQueryWithoutColumnsSelectsEveryColumn) {
    CreateHitsTable();
    ASSERT_TRUE(
        database->Insert("HITS", {{"URL", Variant::FromString("u")}, {"TIMESTAMP", Variant::FromLong(7)}}));
    auto result = database->RunQuery(QueryBuilder("HITS", {}).Build());
    ASSERT_EQ(1, result->GetCount());
    EXPECT_EQ(1, result->GetInt(0));
    EXPECT_EQ("u", result->GetString(1));
    EXPECT_EQ(7, result->GetLong(2));
}

TEST_F(DatabaseTest, RunQueryAppliesGroupingOrderAndLimit) {
    CreateHitsTable();
    InsertUrls({"b", "a", "b", "c"});
    auto query = QueryBuilder("HITS", {"URL", "COUNT(*)"})
                     .GroupBy("URL")
                     .Having("COUNT(*) > 0")
                     .OrderBy("URL DESC")
                     .Limit("2")
                     .Build();
    EXPECT_THAT(Rows(query), ElementsAre(ElementsAre("c", "1"), ElementsAre("b", "2")));
}

TEST_F(DatabaseTest, AFailingQueryRaisesTheStatementError) {
    EXPECT_EQ("database.query_exec_error",
              ErrorCodeOf([&] { database->RunQuery(QueryBuilder("MISSING", {}).Build()); }));
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->RunQuery(nullptr); }));
}

TEST_F(DatabaseTest, UpdateAndDeleteTouchTheSelectedRowsOrAllOfThem) {
    CreateHitsTable();
    InsertUrls({"a", "b", "c"});
    EXPECT_TRUE(database->Update("HITS", {{"URL", Variant::FromString("it's ?")}}, "URL = ?", {"b"}));
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("a"), ElementsAre("it's ?"), ElementsAre("c")));
    EXPECT_TRUE(database->Delete("HITS", "URL = ?", {"it's ?"}));
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("a"), ElementsAre("c")));
    EXPECT_TRUE(database->Update("HITS", {{"URL", Variant::FromString("z")}}, "", {}));
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("z"), ElementsAre("z")));
    EXPECT_TRUE(database->Delete("HITS", "", {}));
    EXPECT_THAT(AllUrls(), IsEmpty());
}

// A failing row anywhere in the batch leaves none of the batch, and no transaction open behind it.
TEST_F(DatabaseTest, InsertRowsStoresEveryRowOrNone) {
    CreateHitsTable();
    InsertUrls({"before"});
    const auto url = [](const char* text) { return Values{{"URL", Variant::FromString(text)}}; };
    const struct {
        const char* name;
        std::vector<Values> rows;
    } failing[] = {
        {"last row names a missing column", {url("x1"), url("x2"), {{"MISSING", Variant::FromString("x")}}}},
        {"first row holds a map", {{{"URL", Variant::FromStringMap({})}}, url("x1")}},
        {"middle row reuses a key", {url("x1"), {{"ID", Variant::FromLong(1)}}, url("x2")}},
    };
    for (const auto& batch : failing) {
        SCOPED_TRACE(batch.name);
        EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->InsertRows("HITS", batch.rows); }));
        EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("before")));
    }
    EXPECT_TRUE(database->InsertRows("HITS", {url("a"), url("b")}));
    EXPECT_TRUE(database->BeginTransaction(DatabaseInterface::TransactionType::IMMEDIATE));
    EXPECT_TRUE(database->EndTransaction());
    database = std::make_shared<Database>("test.sqlite", folder.Path());
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("before"), ElementsAre("a"), ElementsAre("b")));
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->InsertRows("MISSING", {url("a")}); }));
}

// Outside a transaction the level is lowered for the deletion alone; inside one, or without a
// write-ahead log, the deletion is a plain one. Either way it takes the selected rows only.
TEST_F(DatabaseTest, DeleteUnsyncedTakesTheSelectedRowsInEveryJournalState) {
    for (const bool inTransaction : {false, true}) {
        for (const std::string& directory : {folder.Path(), std::string()}) {
            SCOPED_TRACE(std::string(inTransaction ? "in a transaction" : "alone") +
                         (directory.empty() ? ", temporary" : ""));
            database = std::make_shared<Database>(inTransaction ? "t.sqlite" : "a.sqlite", directory);
            CreateHitsTable();
            InsertUrls({"a", "b", "c"});
            if (inTransaction) {
                ASSERT_TRUE(database->BeginTransaction(DatabaseInterface::TransactionType::IMMEDIATE));
            }
            EXPECT_TRUE(database->DeleteUnsynced("HITS", "URL = ?", {"b"}));
            if (inTransaction) {
                ASSERT_TRUE(database->EndTransaction());
            }
            EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("a"), ElementsAre("c")));
            EXPECT_TRUE(database->DeleteUnsynced("HITS", "", {}));
            EXPECT_THAT(AllUrls(), IsEmpty());
        }
    }
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->DeleteUnsynced("MISSING", "", {}); }));
}

// The level lowered for an unsynced deletion is raised again, also after a failed one: every later
// commit waits for the disk.
TEST_F(DatabaseTest, AnUnsyncedDeletionLeavesLaterCommitsSynced) {
    CreateHitsTable();
    InsertUrls({"a"});
    const auto level = [&] { return Rows(QueryBuilder("pragma_synchronous", {"synchronous"}).Build()); };
    const auto full = ElementsAre(ElementsAre("2"));
    ASSERT_THAT(level(), full);
    EXPECT_TRUE(database->DeleteUnsynced("HITS", "", {}));
    EXPECT_THAT(level(), full);
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->DeleteUnsynced("MISSING", "", {}); }));
    EXPECT_THAT(level(), full);
}

TEST_F(DatabaseTest, CountRowsCountsTheRowsOfTheSelection) {
    CreateHitsTable();
    InsertUrls({"a", "b", "c", "b"});
    const struct {
        std::string selection;
        std::vector<std::string> args;
        std::int64_t expected;
    } counts[] = {
        {"", {}, 4},
        {"", {"ignored"}, 4},
        {"URL = ?", {"b"}, 2},
        {"URL = ?", {"it's none"}, 0},
        {"URL IN (?, ?)", {"a", "c"}, 2},
        {"URL = ?", {}, 0},
    };
    for (const auto& count : counts) {
        SCOPED_TRACE(count.selection);
        EXPECT_EQ(count.expected, database->CountRows("HITS", count.selection, count.args));
    }
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->CountRows("MISSING", "", {}); }));
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->CountRows("HITS", "NOPE = ?", {"a"}); }));
}

// Statements stay prepared between calls: they must hold no lock that keeps the table from being
// dropped, must follow a table made again in another shape, and must keep working past the number kept.
TEST_F(DatabaseTest, KeptStatementsFollowTheTableThroughDropAndRecreation) {
    CreateHitsTable();
    InsertUrls({"a"});
    EXPECT_EQ(1, database->CountRows("HITS", "", {}));
    ASSERT_THAT(AllUrls(), ElementsAre(ElementsAre("a")));
    ASSERT_TRUE(database->DeleteTable("HITS"));
    ASSERT_TRUE(database->CreateTable("HITS", {"ID", "EXTRA", "URL"}, {Type::INTEGER, Type::TEXT, Type::TEXT},
                                      {{Constraint::PRIMARY_KEY}, {}, {}}));
    InsertUrls({"b"});
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("b")));
    for (size_t limit = 1; limit <= Database::MAX_PREPARED_STATEMENTS + 2; ++limit) {
        EXPECT_EQ(1u, Rows(QueryBuilder("HITS", {"URL"}).Limit(std::to_string(limit)).Build()).size());
    }
    InsertUrls({"c"});
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("b"), ElementsAre("c")));
    EXPECT_EQ(2, database->CountRows("HITS", "", {}));
}

TEST_F(DatabaseTest, DeleteTableDropsTheTableOnlyWhenItExists) {
    CreateHitsTable();
    EXPECT_TRUE(database->DeleteTable("HITS"));
    EXPECT_THAT(database->GetColumnNamesForTable("HITS"), IsEmpty());
    EXPECT_TRUE(database->DeleteTable("HITS"));
}

TEST_F(DatabaseTest, ColumnQueriesAnswerInTheirOrder) {
    CreateHitsTable();
    EXPECT_THAT(database->GetColumnNamesForTable("HITS"), ElementsAre("ID", "URL", "TIMESTAMP"));
    EXPECT_THAT(database->GetColumnNamesForTable("MISSING"), IsEmpty());
    EXPECT_THAT(database->GetColumnNamesForTable(""), IsEmpty());
    EXPECT_TRUE(database->TableContainsColumn("HITS", "URL"));
    EXPECT_FALSE(database->TableContainsColumn("HITS", "OTHER"));
    EXPECT_FALSE(database->TableContainsColumn("", "URL"));
    EXPECT_THAT(database->UnionColumns({"TIMESTAMP", "OTHER", "ID"}, "HITS"), ElementsAre("TIMESTAMP", "ID"));
    EXPECT_THAT(database->UnionColumns({"ID"}, ""), IsEmpty());
}

TEST_F(DatabaseTest, RenameAndCopyCheckTheirArguments) {
    CreateHitsTable();
    EXPECT_TRUE(database->RenameTable("HITS", "HITS"));
    EXPECT_FALSE(database->RenameTable("", "X"));
    EXPECT_FALSE(database->CopyColumnsFromTableToTable("HITS", "", {"URL"}));
    EXPECT_TRUE(database->CopyColumnsFromTableToTable("MISSING", "ALSO_MISSING", {}));
    EXPECT_TRUE(database->RenameTable("HITS", "RENAMED"));
    EXPECT_THAT(database->GetColumnNamesForTable("RENAMED"), ElementsAre("ID", "URL", "TIMESTAMP"));
}

TEST_F(DatabaseTest, MigrationKeepsCommonColumnsAndDefaultsNewOnes) {
    ASSERT_TRUE(database->CreateTable("HITS", {"ID", "URL", "OLD"}, {Type::INTEGER, Type::TEXT, Type::TEXT},
                                      {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}}));
    ASSERT_TRUE(
        database->Insert("HITS", {{"URL", Variant::FromString("u1")}, {"OLD", Variant::FromString("gone")}}));
    ASSERT_TRUE(database->AttemptDatabaseMigration(
        "HITS", {"ID", "URL", "COUNT", "RATE", "NOTE"},
        {Type::INTEGER, Type::TEXT, Type::INTEGER, Type::REAL, Type::TEXT},
        {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}, {}, {}}));
    EXPECT_THAT(database->GetColumnNamesForTable("HITS"), ElementsAre("ID", "URL", "COUNT", "RATE", "NOTE"));
    EXPECT_THAT(Rows(QueryBuilder("HITS", {"ID", "URL", "COUNT", "RATE", "NOTE"}).Build()),
                ElementsAre(ElementsAre("1", "u1", "0", "0.000000", "")));
    ASSERT_TRUE(database->Insert("HITS", {{"URL", Variant::FromString("u2")}}));
    EXPECT_THAT(Rows(QueryBuilder("HITS", {"ID"}).Selection("URL = ?", {"u2"}).Build()),
                ElementsAre(ElementsAre("2")));
    EXPECT_THAT(database->GetColumnNamesForTable("HITS_MIGRATION"), IsEmpty());
}

TEST_F(DatabaseTest, AFailedMigrationRollsBackAndLeavesNoTransactionOpen) {
    CreateHitsTable();
    InsertUrls({"kept"});
    // Two names and one type: the new table's statement text is empty and fails.
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] {
                  database->AttemptDatabaseMigration("HITS", {"ID", "URL"}, {Type::INTEGER}, {{}, {}});
              }));
    EXPECT_THAT(database->GetColumnNamesForTable("HITS"), ElementsAre("ID", "URL", "TIMESTAMP"));
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("kept")));
    EXPECT_TRUE(database->BeginTransaction(DatabaseInterface::TransactionType::IMMEDIATE));
    EXPECT_TRUE(database->EndTransaction());
}

TEST_F(DatabaseTest, MigrationRefusesEmptyArguments) {
    CreateHitsTable();
    EXPECT_FALSE(database->AttemptDatabaseMigration("", {"ID"}, {Type::INTEGER}, {{}}));
    EXPECT_FALSE(database->AttemptDatabaseMigration("HITS", {}, {}, {}));
}

TEST_F(DatabaseTest, ASecondBeginInsideATransactionFails) {
    EXPECT_TRUE(database->BeginTransaction(DatabaseInterface::TransactionType::DEFERRED));
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] {
                  database->BeginTransaction(DatabaseInterface::TransactionType::EXCLUSIVE);
              }));
    EXPECT_TRUE(database->EndTransaction());
}

TEST_F(DatabaseTest, CloseDoesNothingButCloseConnectionEndsEveryStatement) {
    CreateHitsTable();
    database->Close();
    InsertUrls({"still open"});
    database->CloseConnection();
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { InsertUrls({"closed"}); }));
    // Not an empty table, nor one without the column: a reset or a migration that took it for one would
    // lose its rows.
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->GetColumnNamesForTable("HITS"); }));
    EXPECT_EQ("database.query_exec_error",
              ErrorCodeOf([&] { database->TableContainsColumn("HITS", "URL"); }));
    EXPECT_EQ("database.query_exec_error", ErrorCodeOf([&] { database->UnionColumns({"URL"}, "HITS"); }));
}

TEST_F(DatabaseTest, RowsSurviveReopeningTheFile) {
    CreateHitsTable();
    InsertUrls({"first", "second"});
    database = std::make_shared<Database>("test.sqlite", folder.Path());
    EXPECT_THAT(AllUrls(), ElementsAre(ElementsAre("first"), ElementsAre("second")));
}

// A file system without shared memory grants a new database no log; its journal stays on disk, so a
// process ended in the middle of a 200-row commit leaves a sound file with the rows committed before
// (a damaged one would have the hits reset).
TEST_F(DatabaseTest, WithoutTheLogACommitCutShortLeavesTheRowsBefore) {
    const std::vector<Values> rows(200, Values{{"URL", Variant::FromString(std::string(100, 'u'))}});
    EXPECT_FALSE(RunInChildProcess([&] {
        CrashSimulatingVfs layer({false, ""});
        database = std::make_shared<Database>("hits.sqlite", folder.Path());
        CreateHitsTable();
        database->InsertRows("HITS", rows);
        layer.EndProcessAtWrite("hits.sqlite", 3);
        database->InsertRows("HITS", rows);
    })) << "the process was to end in the middle of the second commit";
    EXPECT_EQ("ok", IntegrityCheckOf(folder.PathOf("hits.sqlite")));
    database = std::make_shared<Database>("hits.sqlite", folder.Path());
    EXPECT_EQ(200, database->CountRows("HITS", "", {}));
}

}  // namespace
}  // namespace NuvraMobile
