#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "services/storage/KeyValueStore.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/CrashSimulatingVfs.h"
#include "support/FileSystemTestFolder.h"

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
