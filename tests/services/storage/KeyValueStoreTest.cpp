#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "services/storage/KeyValueStore.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/CrashSimulatingVfs.h"
#include "support/FileSystemTestFolder.h"
#include "support/UnwritableVfs.h"

namespace NuvraMobile {
namespace {

using Value = KeyValueStore::Value;

class KeyValueStoreTest : public testing::Test {
protected:
    std::string StorePath() const { return folder_.PathOf("nested/folder/store.sqlite"); }

    FileSystemTestFolder folder_;
};

TEST_F(KeyValueStoreTest, OpenCreatesTheFolderAndSharesOneObjectPerPath) {
    auto first = KeyValueStore::Open(StorePath());
    ASSERT_TRUE(first);
    EXPECT_EQ(KeyValueStore::Open(StorePath()), first);
    EXPECT_EQ(first->GetPath(), StorePath());
}

// The services' Dispose closes every store: nothing is left beside its file, and a store used afterwards
// opens the file again and goes on with every value.
TEST_F(KeyValueStoreTest, ClosingEveryStoreLeavesNoFileBesideItAndALaterUseOpensItAgain) {
    auto store = KeyValueStore::Open(StorePath());
    store->Put("before", Value(std::int64_t{1}));
    ASSERT_TRUE(std::filesystem::exists(StorePath() + "-wal"));
    KeyValueStore::CloseEveryStore();
    for (const char* beside : {"-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(std::filesystem::exists(StorePath() + beside)) << beside;
    }
    store->Put("after", Value(std::int64_t{2}));
    EXPECT_EQ(store->Get("before"), Value(std::int64_t{1}));
    EXPECT_EQ(store->Get("after"), Value(std::int64_t{2}));
    EXPECT_EQ(KeyValueStore::Open(StorePath()), store);
}

/** The integer under `key` in the store file at `path`, read past the store; none when it is not there. */
std::optional<std::int64_t> IntegerInFile(const std::string& path, const std::string& key) {
    sqlite3* database = nullptr;
    std::optional<std::int64_t> found;
    if (sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(database, "SELECT value FROM entries WHERE key = CAST(?1 AS BLOB)", -1, &statement,
                           nullptr);
        sqlite3_bind_text(statement, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW) {
            found = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
    return found;
}

// What became of the file while every store was closed is met as the first open meets it: a folder gone
// is made again, a file that cannot be written is copied into memory with the values it held (an opt-out
// among them), a damaged one is moved aside, and where no file can be made at all the values are kept in
// memory. Each says so as the first open does, the writes of this run read back, and stay once every store
// is closed again.
TEST_F(KeyValueStoreTest, AStoreUsedAfterEveryStoreWasClosedOpensItsFileAsAFirstOpenDoes) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    const Value optedOut(std::string("optedout"));
    const struct {
        const char* name;
        std::function<void(const std::string& folder, const std::string& path)> change;
        // The value written before every store was closed, as read afterwards.
        std::optional<Value> privacyRead;
        // This run's writes go to a file (a new one), not to memory.
        bool writesInFile;
        // The store tells that its file lost what it held.
        bool lost;
        std::function<std::vector<std::string>(const std::string& folder, const std::string& path)> errors;
    } changes[] = {
        {"folder removed",
         [](const std::string& folder, const std::string&) { std::filesystem::remove_all(folder); }, std::nullopt,
         true, false, [](const std::string&, const std::string&) { return std::vector<std::string>(); }},
        {"file made read-only",
         [&](const std::string&, const std::string& path) { disk.MakeFileReadOnly(path); }, optedOut, false, false,
         [](const std::string&, const std::string& path) {
             return std::vector<std::string>{"Cannot write the store " + path +
                                             ": the file is read-only; its values are kept in memory for this "
                                             "run only, and the file is left as it is"};
         }},
        {"file damaged",
         [](const std::string&, const std::string& path) { WriteFileBytes(path, std::string(8192, '\xA7')); },
         std::nullopt, true, true,
         [](const std::string&, const std::string& path) {
             return std::vector<std::string>{
                 "Cannot open the store " + path + ": file is not a database",
                 "The store " + path + " is unreadable; it is moved to " + path +
                     ".corrupt, 0 rows were saved into a new store and an unknown number of lost"};
         }},
        {"folder replaced by a file",
         [](const std::string& folder, const std::string&) {
             std::filesystem::remove_all(folder);
             WriteFileBytes(folder, "a regular file");
         },
         std::nullopt, false, false,
         [](const std::string& folder, const std::string& path) {
             return std::vector<std::string>{
                 "Cannot open the store " + path + ": unable to open database file",
                 "No store file can be opened in " + folder + "; values are kept in memory only"};
         }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        // A folder of its own: a store once opened stays the process's.
        const std::string folder = folder_.PathOf(change.name);
        const std::string path = folder + "/store.sqlite";
        auto store = KeyValueStore::Open(path);
        ASSERT_TRUE(store);
        store->Put("privacy", optedOut);
        KeyValueStore::CloseEveryStore();
        change.change(folder, path);

        ScopedCapturingLog log(LoggingMode::Warning);
        for (std::int64_t launch = 1; launch <= 10; ++launch) {
            store->Put("launches", Value(launch));
        }
        for (const bool closedAgain : {false, true}) {
            SCOPED_TRACE(closedAgain ? "every store closed again" : "open");
            if (closedAgain) {
                KeyValueStore::CloseEveryStore();
            }
            EXPECT_EQ(store->Get("launches"), Value(std::int64_t{10}));
            EXPECT_EQ(store->Get("privacy"), change.privacyRead);
        }
        EXPECT_EQ(log.Service().GetMessages(), change.errors(folder, path));
        EXPECT_EQ(change.writesInFile ? std::optional<std::int64_t>(10) : std::nullopt,
                  IntegerInFile(path, "launches"));
        EXPECT_EQ(change.lost, store->LostEarlierValues());
        EXPECT_EQ(KeyValueStore::Open(path), store);
        disk.Clear();
    }
}

TEST_F(KeyValueStoreTest, KeysAndValuesAreKeptOnDiskByteForByte) {
    const std::string keyWithNul("a\0b", 3);
    const std::string binary("\x00\xFF\x80 text", 8);
    const KeyValueStore::StringVector strings{binary, "", binary};
    const KeyValueStore::StringMap map{{"", binary}, {binary, ""}};
    ASSERT_TRUE(RunInChildProcess([&] {
        auto store = KeyValueStore::Open(StorePath());
        store->Put(keyWithNul, Value(binary));
        store->Put("a", Value(std::int64_t{1}));
        store->Put("vector", Value(strings));
        store->Put("map", Value(map));
    }));

    auto store = KeyValueStore::Open(StorePath());
    EXPECT_EQ(store->Get(keyWithNul), Value(binary));
    EXPECT_EQ(store->Get("a"), Value(std::int64_t{1}));
    EXPECT_EQ(store->Get("vector"), Value(strings));
    EXPECT_EQ(store->Get("map"), Value(map));
    EXPECT_EQ(store->Get("missing"), std::nullopt);
}

// A write of the value a key already holds is skipped; one of equal bytes but another kind is not.
TEST_F(KeyValueStoreTest, ARewrittenKeyTakesTheNewKindEvenWhenTheStoredBytesAreEqual) {
    const struct {
        const char* name;
        Value first;
        Value second;
    } rewrites[] = {
        {"integer, then boolean", Value(std::int64_t{1}), Value(true)},
        {"boolean, then integer", Value(false), Value(std::int64_t{0})},
        {"floating, then integer", Value(2.0), Value(std::int64_t{2})},
        {"string, then list of nothing", Value(std::string()), Value(KeyValueStore::StringVector{})},
        {"list, then map of the same bytes", Value(KeyValueStore::StringVector{"k", "v"}),
         Value(KeyValueStore::StringMap{{"k", "v"}})},
        {"the same string", Value(std::string("same")), Value(std::string("same"))},
    };
    auto store = KeyValueStore::OpenInMemory();
    ASSERT_TRUE(store);
    for (const auto& rewrite : rewrites) {
        SCOPED_TRACE(rewrite.name);
        store->Put(rewrite.name, rewrite.first);
        store->Put(rewrite.name, rewrite.second);
        EXPECT_EQ(store->Get(rewrite.name), rewrite.second);
    }
}

std::uint64_t BitsOf(double number) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof number);
    return bits;
}

// SQLite finds 0.0 and -0.0 equal and stores a NaN as NULL; a double comes back as it was put.
TEST_F(KeyValueStoreTest, AFloatingValueComesBackBitForBit) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        double first;
        double second;
    } rewrites[] = {
        {"zero, then negative zero", 0.0, -0.0},
        {"negative zero, then zero", -0.0, 0.0},
        {"a number, then NaN", 1.5, nan},
        {"NaN, then a number", nan, 1.5},
        {"NaN, then NaN of the other sign", nan, -nan},
    };
    auto store = KeyValueStore::Open(StorePath());
    ASSERT_TRUE(store);
    for (const auto& rewrite : rewrites) {
        SCOPED_TRACE(rewrite.name);
        store->Put(rewrite.name, Value(rewrite.first));
        store->Put(rewrite.name, Value(rewrite.second));
        const auto stored = store->Get(rewrite.name);
        ASSERT_TRUE(stored && std::holds_alternative<double>(*stored));
        EXPECT_EQ(BitsOf(rewrite.second), BitsOf(std::get<double>(*stored)));
    }
}

TEST_F(KeyValueStoreTest, RemoveWithPrefixRemovesExactlyTheKeysThatBeginWithIt) {
    struct PrefixCase {
        std::string prefix;
        std::vector<std::string> removed;
        std::vector<std::string> kept;
    };
    const std::string high("p\xFF", 2);
    const std::string higher("p\xFF\xFF", 3);
    const PrefixCase cases[] = {
        {"Nuvra.A.",
         {"Nuvra.A.", "Nuvra.A.x", "Nuvra.A.\xFF"},
         {"Nuvra.A", "Nuvra.AB.x", "Nuvra.B.x", "Nuvra.A/"}},
        {high, {high, higher, high + "q"}, {"p", "p\xFE", "q"}},
        {"", {"anything", ""}, {}},
    };
    for (const auto& prefixCase : cases) {
        SCOPED_TRACE(prefixCase.prefix);
        auto store = KeyValueStore::OpenInMemory();
        for (const auto* keys : {&prefixCase.removed, &prefixCase.kept}) {
            for (const auto& key : *keys) {
                store->Put(key, Value(true));
            }
        }
        store->RemoveWithPrefix(prefixCase.prefix);
        for (const auto& key : prefixCase.removed) {
            EXPECT_FALSE(store->Get(key).has_value()) << key;
        }
        for (const auto& key : prefixCase.kept) {
            EXPECT_TRUE(store->Get(key).has_value()) << key;
        }
    }
}

TEST_F(KeyValueStoreTest, StoreThatIsNotADatabaseIsMovedAsideWithItsLog) {
    const std::string path = folder_.PathOf("store.sqlite");
    WriteFileBytes(path, "this is not a database file, only text that fills the header page........");
    WriteFileBytes(path + "-wal", "stale log");

    auto store = KeyValueStore::Open(path);
    ASSERT_TRUE(store);
    store->Put("k", Value(std::string("v")));

    EXPECT_EQ(store->Get("k"), Value(std::string("v")));
    EXPECT_NE(ReadFileBytes(path + "-wal"), "stale log");
    EXPECT_NE(ReadFileBytes(path + ".corrupt").find("not a database"), std::string::npos);
}

/** A store file of `keys` text rows ("key000": a long value), written as the store writes its rows. */
void WriteStoreFile(const std::string& path, int keys) {
    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &database), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(database,
                           "CREATE TABLE entries(key BLOB PRIMARY KEY NOT NULL, kind INTEGER NOT NULL, value) "
                           "WITHOUT ROWID; BEGIN;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    for (int index = 0; index < keys; ++index) {
        char key[16];
        std::snprintf(key, sizeof key, "key%03d", index);
        const std::string sql = std::string("INSERT INTO entries VALUES(CAST('") + key + "' AS BLOB), 3, CAST('" +
                                key + std::string(300, '.') + "' AS BLOB))";
        ASSERT_EQ(sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ASSERT_EQ(sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(database);
}

TEST_F(KeyValueStoreTest, ADamagedStoreKeepsTheRowsThatCanStillBeRead) {
    constexpr int keys = 200;
    const std::string path = folder_.PathOf("damaged.sqlite");
    WriteStoreFile(path, keys);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(8 * 4096);  // a leaf page in the middle of the table
        const std::string garbage(4096, '\x5A');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    ScopedCapturingLog log(LoggingMode::Error);

    auto store = KeyValueStore::Open(path);
    ASSERT_TRUE(store);

    int kept = 0;
    for (int index = 0; index < keys; ++index) {
        char key[16];
        std::snprintf(key, sizeof key, "key%03d", index);
        kept += store->Get(key) == Value(std::string(key) + std::string(300, '.')) ? 1 : 0;
    }
    EXPECT_TRUE(store->Get("key000"));
    EXPECT_TRUE(store->Get("key199"));
    EXPECT_GT(kept, keys / 2);
    EXPECT_LT(kept, keys);
    EXPECT_TRUE(log.Service().Contains(std::to_string(kept) + " rows were saved into a new store"))
        << testing::PrintToString(log.Service().GetMessages());
    EXPECT_TRUE(std::ifstream(path + ".corrupt").good());
}

// A store file that exists but gives nothing back (damaged, or emptied of its table) lost what it held; a
// missing file is a first start and a sound file lost nothing.
TEST_F(KeyValueStoreTest, AStoreTellsWhetherItsFileLostWhatItHeld) {
    struct StoreFile {
        const char* name;
        std::function<void(const std::string&)> make;
        bool lost;
    };
    const StoreFile cases[] = {
        {"missing", [](const std::string&) {}, false},
        {"sound", [](const std::string& path) { WriteStoreFile(path, 3); }, false},
        {"random bytes", [](const std::string& path) { WriteFileBytes(path, std::string(8192, '\xA7')); },
         true},
        {"zeroed header",
         [](const std::string& path) {
             WriteStoreFile(path, 3);
             std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
             file.write(std::string(100, '\0').data(), 100);
         },
         true},
        {"cut to nothing", [](const std::string& path) { WriteFileBytes(path, ""); }, true},
    };
    for (const StoreFile& file : cases) {
        SCOPED_TRACE(file.name);
        const std::string path = folder_.PathOf(std::string(file.name) + ".sqlite");
        file.make(path);
        ScopedCapturingLog log(LoggingMode::Error);
        const auto store = KeyValueStore::Open(path);
        ASSERT_TRUE(store);
        EXPECT_EQ(file.lost, store->LostEarlierValues());
        EXPECT_EQ(file.lost, !log.Service().GetMessages().empty());
    }
}

// A power failure on the first launch loses nothing that was stored, and a store that held nothing yet
// does not count as one that lost its values (which would hold the user's privacy unknown).
TEST_F(KeyValueStoreTest, APowerFailureAfterTheFirstOpenLosesNothing) {
    const struct {
        const char* name;
        std::optional<Value> stored;
    } launches[] = {
        {"nothing stored", std::nullopt},
        {"one value stored", Value(std::string("optedout"))},
    };
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.name);
        const std::string kept = folder_.PathOf(std::string(launch.name) + "/kept");
        ASSERT_TRUE(RunInChildProcess([&] {
            CrashSimulatingVfs layer({true, kept});
            auto store = KeyValueStore::Open(folder_.PathOf(std::string(launch.name) + "/app/store.sqlite"));
            if (launch.stored) {
                store->Put("privacy", *launch.stored);
            }
        }));
        ScopedCapturingLog log(LoggingMode::Error);
        const auto store = KeyValueStore::Open(kept + "/store.sqlite");
        ASSERT_TRUE(store);
        EXPECT_FALSE(store->LostEarlierValues());
        EXPECT_EQ(launch.stored, store->Get("privacy"));
        EXPECT_TRUE(log.Service().GetMessages().empty()) << testing::PrintToString(log.Service().GetMessages());
    }
}

// A file system without shared memory grants a new store no log; its journal stays on disk, so a process
// ended in the middle of a write leaves the value before it in a sound file, and nothing is set aside.
TEST_F(KeyValueStoreTest, WithoutTheLogAWriteCutShortLeavesTheValueBeforeIt) {
    const Value before(std::string(40000, 'a'));
    const std::string path = folder_.PathOf("store.sqlite");
    EXPECT_FALSE(RunInChildProcess([&] {
        CrashSimulatingVfs layer({false, ""});
        auto store = KeyValueStore::Open(path);
        store->Put("value", before);
        layer.EndProcessAtWrite("store.sqlite", 3);
        store->Put("value", Value(std::string(40000, 'b')));
    }));
    EXPECT_EQ("ok", IntegrityCheckOf(path));
    const auto store = KeyValueStore::Open(path);
    ASSERT_TRUE(store);
    EXPECT_FALSE(store->LostEarlierValues());
    EXPECT_TRUE(store->Get("value") == before) << "the value read is not the one committed before";
}

TEST_F(KeyValueStoreTest, PathThatCannotHoldAFileGivesNoStore) {
    const std::string blocker = folder_.PathOf("file");
    WriteFileBytes(blocker, "x");
    EXPECT_FALSE(KeyValueStore::Open(blocker + "/store.sqlite"));
}

}  // namespace
}  // namespace NuvraMobile
