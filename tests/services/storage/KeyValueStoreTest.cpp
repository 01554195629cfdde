#include <gtest/gtest.h>

#include "services/storage/KeyValueStore.h"
#include "support/ChildProcess.h"
#include "support/ScratchDirectory.h"

namespace NuvraMobile {
namespace {

using Value = KeyValueStore::Value;

class KeyValueStoreTest : public testing::Test {
protected:
    std::string StorePath() const { return folder_.Join("nested/folder/store.sqlite"); }

    ScratchDirectory folder_;
};

TEST_F(KeyValueStoreTest, OpenCreatesTheFolderAndSharesOneObjectPerPath) {
    auto first = KeyValueStore::Open(StorePath());
    ASSERT_TRUE(first);
    EXPECT_EQ(KeyValueStore::Open(StorePath()), first);
    EXPECT_EQ(first->GetPath(), StorePath());
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
    const std::string path = folder_.Join("store.sqlite");
    WriteFileBytes(path, "this is not a database file, only text that fills the header page........");
    WriteFileBytes(path + "-wal", "stale log");

    auto store = KeyValueStore::Open(path);
    ASSERT_TRUE(store);
    store->Put("k", Value(std::string("v")));

    EXPECT_EQ(store->Get("k"), Value(std::string("v")));
    EXPECT_NE(ReadFileBytes(path + "-wal"), "stale log");
    EXPECT_NE(ReadFileBytes(path + ".corrupt").find("not a database"), std::string::npos);
}

TEST_F(KeyValueStoreTest, PathThatCannotHoldAFileGivesNoStore) {
    const std::string blocker = folder_.Join("file");
    WriteFileBytes(blocker, "x");
    EXPECT_FALSE(KeyValueStore::Open(blocker + "/store.sqlite"));
}

}  // namespace
}  // namespace NuvraMobile
