#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/values/Variant.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/database/Database.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

using Type = DatabaseInterface::ColumnDataType;

class DatabaseConcurrencyTest : public ::testing::Test {
protected:
    DatabaseConcurrencyTest() { database->CreateTable("T", {"A"}, {Type::TEXT}, {{}}); }

    int32_t RowCount() { return database->RunQuery(QueryBuilder("T", {"A"}).Build())->GetCount(); }

    FileSystemTestFolder folder;
    std::shared_ptr<Database> database = std::make_shared<Database>("test.sqlite", folder.Path());
};

TEST_F(DatabaseConcurrencyTest, StatementsFromManyThreadsAreSerialised) {
    constexpr int THREADS = 4;
    constexpr int ROWS_PER_THREAD = 25;
    std::vector<std::thread> writers;
    for (int t = 0; t < THREADS; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < ROWS_PER_THREAD; ++i) {
                std::string value = std::to_string(t) + "-" + std::to_string(i);
                EXPECT_TRUE(database->Insert("T", {{"A", Variant::FromString(value)}}));
                EXPECT_EQ(1, database->RunQuery(QueryBuilder("T", {"A"}).Selection("A = ?", {value}).Build())
                                 ->GetCount());
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(THREADS * ROWS_PER_THREAD, RowCount());
}

// A batch's transaction is its own: no other batch begins inside it, and no other thread's statement
// is committed or rolled back with it.
TEST_F(DatabaseConcurrencyTest, BatchesAndUnsyncedDeletionsFromManyThreadsStayApart) {
    constexpr int BATCHERS = 2;
    constexpr int BATCHES = 15;
    constexpr int ROWS_PER_BATCH = 4;
    std::vector<std::thread> threads;
    for (int t = 0; t < BATCHERS; ++t) {
        threads.emplace_back([this, t] {
            for (int b = 0; b < BATCHES; ++b) {
                std::vector<DatabaseInterface::ColumnValues> rows;
                for (int r = 0; r < ROWS_PER_BATCH; ++r) {
                    rows.push_back({{"A", Variant::FromString(std::to_string(t) + "-" + std::to_string(b) + "-" +
                                                              std::to_string(r))}});
                }
                EXPECT_NO_THROW(database->InsertRows("T", rows));
            }
        });
    }
    threads.emplace_back([this] {
        for (int i = 0; i < BATCHES; ++i) {
            const std::string value = "deleted-" + std::to_string(i);
            EXPECT_NO_THROW(database->Insert("T", {{"A", Variant::FromString(value)}}));
            EXPECT_NO_THROW(database->DeleteUnsynced("T", "A = ?", {value}));
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(BATCHERS * BATCHES * ROWS_PER_BATCH, RowCount());
    EXPECT_EQ(0, database->RunQuery(QueryBuilder("T", {"A"}).Selection("A LIKE 'deleted-%'", {}).Build())->GetCount());
}

// The services' Dispose may close the connection while a module still writes (an exit from an SDK
// callback): a statement that meets it closed opens the file again, and no row is lost.
TEST_F(DatabaseConcurrencyTest, StatementsWhileTheConnectionIsClosedOpenItAgainAndLoseNothing) {
    constexpr int THREADS = 3;
    constexpr int ROWS_PER_THREAD = 40;
    std::atomic<bool> writing{true};
    std::thread closer([&] {
        while (writing.load()) {
            database->CloseUntilNextUse();
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < THREADS; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < ROWS_PER_THREAD; ++i) {
                EXPECT_NO_THROW(database->Insert(
                    "T", {{"A", Variant::FromString(std::to_string(t) + "-" + std::to_string(i))}}));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    writing.store(false);
    closer.join();
    EXPECT_EQ(THREADS * ROWS_PER_THREAD, RowCount());
}

TEST_F(DatabaseConcurrencyTest, ADatabaseLockedByAnotherConnectionIsWaitedOut) {
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.PathOf("test.sqlite").c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN EXCLUSIVE TRANSACTION;", nullptr, nullptr, nullptr));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(other, "INSERT INTO T (A) VALUES ('other');", nullptr, nullptr, nullptr));
    auto insert = std::async(std::launch::async, [this] {
        return database->Insert("T", {{"A", Variant::FromString("waited")}});
    });
    // Holding the lock a moment lets the insert meet it; the insert succeeds either way.
    EXPECT_EQ(std::future_status::timeout, insert.wait_for(std::chrono::milliseconds(200)));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr));
    EXPECT_TRUE(insert.get());
    sqlite3_close(other);
    EXPECT_EQ(2, RowCount());
}

}  // namespace
}  // namespace NuvraMobile
