#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "services/storage/AppInfo.h"
#include "services/storage/KeyValueStore.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/FileSystemTestFolder.h"
#include "support/UnwritableVfs.h"

namespace NuvraMobile {
namespace {

using testing::ElementsAre;

class NativeDataStoreTest : public testing::Test {
protected:
    void SetUp() override {
        AppInfo::SetDataDirectory(folder_.Path());
        AppInfo::SetAppGroup("");
    }
    void TearDown() override {
        AppInfo::SetAppGroup("");
        AppInfo::SetDataDirectory("");
    }

    std::shared_ptr<DataStoreInterface> Store(const std::string& name) {
        return CreateNativeLocalStorageService()->GetDataStore(name);
    }

    std::string AppStorePath() const { return folder_.PathOf(AppInfo::StoreFileName("")); }

    FileSystemTestFolder folder_;
};

void WriteEveryKind(DataStoreInterface& store) {
    store.SetInt("int", -123456);
    store.SetLong("long", INT64_C(-9007199254740991));
    store.SetDouble("double", 2.718281828459045);
    store.SetFloat("float", 1.5F);
    store.SetBoolean("bool", true);
    store.SetString("string", std::string("text with \0 inside", 18));
    store.SetString("empty", "");
    store.SetVector("vector", {"a", "", "c"});
    store.SetMap("map", {{"k1", "v1"}, {"k2", ""}});
}

void ExpectEveryKind(DataStoreInterface& store) {
    EXPECT_EQ(store.GetInt("int", 0), -123456);
    EXPECT_EQ(store.GetLong("long", 0), INT64_C(-9007199254740991));
    EXPECT_EQ(store.GetDouble("double", 0), 2.718281828459045);
    EXPECT_EQ(store.GetFloat("float", 0), 1.5F);
    EXPECT_TRUE(store.GetBoolean("bool", false));
    EXPECT_EQ(store.GetString("string", "default"), std::string("text with \0 inside", 18));
    EXPECT_EQ(store.GetString("empty", "default"), "");
    EXPECT_THAT(store.GetVector("vector"), ElementsAre("a", "", "c"));
    EXPECT_EQ(store.GetMap("map"), (std::map<std::string, std::string>{{"k1", "v1"}, {"k2", ""}}));
}

TEST_F(NativeDataStoreTest, EveryKindReadsBackFromANewServiceOverTheSameFile) {
    WriteEveryKind(*Store("NuvraMobile_Lifecycle"));
    ExpectEveryKind(*Store("NuvraMobile_Lifecycle"));
}

TEST_F(NativeDataStoreTest, ValuesWrittenByAProcessThatDiesAtOnceAreOnDisk) {
    // What a setter returned from must already be on disk when the process ends without cleaning up.
    ASSERT_TRUE(RunInChildProcess([this] { WriteEveryKind(*Store("NuvraMobile_Lifecycle")); }));
    ExpectEveryKind(*Store("NuvraMobile_Lifecycle"));
}

TEST_F(NativeDataStoreTest, KeysAreStoredUnderTheNuvraPrefixAndStoreName) {
    Store("NuvraMobile_Lifecycle")->SetInt("Launches", 7);
    Store("")->SetString("bare", "x");

    auto backing = KeyValueStore::Open(AppStorePath());
    ASSERT_TRUE(backing);
    EXPECT_EQ(backing->Get("Nuvra.NuvraMobile_Lifecycle.Launches"), KeyValueStore::Value(std::int64_t{7}));
    EXPECT_EQ(backing->Get("Nuvra.bare"), KeyValueStore::Value(std::string("x")));
}

struct KindCase {
    const char* description;
    std::function<void(DataStoreInterface&)> write;
    std::function<void(DataStoreInterface&)> expectRead;
};

TEST_F(NativeDataStoreTest, GettersConvertOnlyValuesOfTheirOwnKind) {
    const KindCase cases[] = {
        {"int read as long", [](auto& s) { s.SetInt("k", 42); },
         [](auto& s) { EXPECT_EQ(s.GetLong("k", 0), 42); }},
        {"long narrowed to int", [](auto& s) { s.SetLong("k", INT64_C(0x100000005)); },
         [](auto& s) { EXPECT_EQ(s.GetInt("k", 0), 5); }},
        {"float read as double", [](auto& s) { s.SetFloat("k", 0.25F); },
         [](auto& s) { EXPECT_EQ(s.GetDouble("k", 0), 0.25); }},
        {"double read as float", [](auto& s) { s.SetDouble("k", 0.5); },
         [](auto& s) { EXPECT_EQ(s.GetFloat("k", 0), 0.5F); }},
        {"boolean is not an int", [](auto& s) { s.SetBoolean("k", true); },
         [](auto& s) { EXPECT_EQ(s.GetInt("k", -1), -1); }},
        {"int 1 is not a boolean", [](auto& s) { s.SetInt("k", 1); },
         [](auto& s) { EXPECT_FALSE(s.GetBoolean("k", false)); }},
        {"double is not a long", [](auto& s) { s.SetDouble("k", 3.0); },
         [](auto& s) { EXPECT_EQ(s.GetLong("k", -1), -1); }},
        {"long is not a double", [](auto& s) { s.SetLong("k", 3); },
         [](auto& s) { EXPECT_EQ(s.GetDouble("k", -1), -1); }},
        {"digits are not an int", [](auto& s) { s.SetString("k", "12"); },
         [](auto& s) { EXPECT_EQ(s.GetInt("k", -1), -1); }},
        {"int is not a string", [](auto& s) { s.SetInt("k", 12); },
         [](auto& s) { EXPECT_EQ(s.GetString("k", "d"), "d"); }},
        {"string is not a vector", [](auto& s) { s.SetString("k", "a"); },
         [](auto& s) { EXPECT_TRUE(s.GetVector("k").empty()); }},
        {"vector is not a map",
         [](auto& s) {
             s.SetVector("k", {"a", "b"});
         },
         [](auto& s) { EXPECT_TRUE(s.GetMap("k").empty()); }},
        {"missing vector and map are empty", [](auto&) {},
         [](auto& s) { EXPECT_TRUE(s.GetVector("k").empty() && s.GetMap("k").empty()); }},
        {"missing key gives each default", [](auto&) {},
         [](auto& s) {
             EXPECT_EQ(s.GetInt("k", 9), 9);
             EXPECT_EQ(s.GetLong("k", 9), 9);
             EXPECT_EQ(s.GetFloat("k", 9), 9);
             EXPECT_EQ(s.GetDouble("k", 9), 9);
             EXPECT_TRUE(s.GetBoolean("k", true));
             EXPECT_EQ(s.GetString("k", "d"), "d");
             EXPECT_FALSE(s.Contains("k"));
         }},
        {"a later setter replaces the kind",
         [](auto& s) {
             s.SetInt("k", 1);
             s.SetString("k", "now text");
         },
         [](auto& s) {
             EXPECT_EQ(s.GetInt("k", -1), -1);
             EXPECT_EQ(s.GetString("k", ""), "now text");
         }},
        {"extreme values",
         [](auto& s) {
             s.SetInt("i", INT32_MIN);
             s.SetLong("l", INT64_MAX);
             s.SetDouble("d", -DBL_MAX);
             s.SetFloat("f", FLT_MIN);
         },
         [](auto& s) {
             EXPECT_EQ(s.GetInt("i", 0), INT32_MIN);
             EXPECT_EQ(s.GetLong("l", 0), INT64_MAX);
             EXPECT_EQ(s.GetDouble("d", 0), -DBL_MAX);
             EXPECT_EQ(s.GetFloat("f", 0), FLT_MIN);
         }},
    };
    for (const auto& kindCase : cases) {
        SCOPED_TRACE(kindCase.description);
        auto store = Store("kinds");
        store->RemoveAll();
        kindCase.write(*store);
        kindCase.expectRead(*store);
    }
}

TEST_F(NativeDataStoreTest, EmptyStringIsStoredAndContained) {
    auto store = Store("s");
    store->SetString("k", "");
    EXPECT_TRUE(store->Contains("k"));
    EXPECT_EQ(store->GetString("k", "default"), "");
}

TEST_F(NativeDataStoreTest, RemoveDeletesOneKey) {
    auto store = Store("s");
    store->SetInt("a", 1);
    store->SetInt("b", 2);
    store->Remove("a");
    EXPECT_FALSE(store->Contains("a"));
    EXPECT_EQ(store->GetInt("b", 0), 2);
}

TEST_F(NativeDataStoreTest, StoresWhoseNamesShareALeadingPartKeepTheirKeysApart) {
    auto storeA = Store("A");
    auto storeAB = Store("AB");
    storeA->SetString("key", "of A");
    storeAB->SetString("key", "of AB");
    storeAB->SetInt("other", 5);

    EXPECT_EQ(storeA->GetString("key", ""), "of A");
    storeA->RemoveAll();

    EXPECT_FALSE(storeA->Contains("key"));
    EXPECT_EQ(storeAB->GetString("key", ""), "of AB");
    EXPECT_EQ(storeAB->GetInt("other", 0), 5);
}

TEST_F(NativeDataStoreTest, StoreWithEmptyNameSeesAndRemovesTheKeysOfEveryStore) {
    Store("A")->SetInt("k", 1);
    auto unnamed = Store("");
    unnamed->SetInt("k", 2);
    EXPECT_EQ(unnamed->GetInt("A.k", 0), 1);

    unnamed->RemoveAll();

    EXPECT_FALSE(Store("A")->Contains("k"));
    EXPECT_FALSE(unnamed->Contains("k"));
}

TEST_F(NativeDataStoreTest, EmptyKeyChangesNothingAndLogsOneDebugLineEach) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto store = Store("name");
    store->SetInt("", 1);
    EXPECT_EQ(store->GetInt("", 7), 7);
    EXPECT_FALSE(store->Contains(""));
    store->Remove("");

    EXPECT_THAT(log.Service().GetMessages(),
                ElementsAre("datastore name - failed to put value (key was empty)",
                            "datastore name - failed to get value (key was empty)",
                            "datastore name - failed to get value (key was empty)",
                            "datastore name - failed to remove key (was empty)"));
    EXPECT_EQ(log.Service().GetLines()[0].tag, "DataStore");
    EXPECT_FALSE(Store("")->Contains("name."));
}

TEST_F(NativeDataStoreTest, AppGroupSelectsItsOwnFile) {
    Store("s")->SetString("k", "app");
    AppInfo::SetAppGroup("group.com.example/shared");
    Store("s")->SetString("k", "group");

    EXPECT_TRUE(std::filesystem::exists(folder_.PathOf(AppInfo::StoreFileName("group.com.example/shared"))));
    EXPECT_EQ(Store("s")->GetString("k", ""), "group");
    AppInfo::SetAppGroup("");
    EXPECT_EQ(Store("s")->GetString("k", ""), "app");
}

TEST_F(NativeDataStoreTest, StoreKeepsTheFileItWasBuiltWith) {
    auto appStore = Store("s");
    AppInfo::SetAppGroup("group.x");
    appStore->SetInt("k", 1);
    EXPECT_FALSE(Store("s")->Contains("k"));
    AppInfo::SetAppGroup("");
    EXPECT_EQ(Store("s")->GetInt("k", 0), 1);
}

TEST_F(NativeDataStoreTest, AppGroupFileThatCannotBeOpenedFallsBackToTheAppFile) {
    std::filesystem::create_directories(folder_.PathOf(AppInfo::StoreFileName("blocked")));
    AppInfo::SetAppGroup("blocked");
    Store("s")->SetInt("k", 3);
    AppInfo::SetAppGroup("");
    EXPECT_EQ(Store("s")->GetInt("k", 0), 3);
}

TEST_F(NativeDataStoreTest, UnreadableStoreFileIsMovedAsideAndAFreshStoreUsed) {
    const std::string garbage(4096, '\x5A');
    WriteFileBytes(AppStorePath(), garbage);
    ScopedCapturingLog log(LoggingMode::Error);

    auto store = Store("s");
    store->SetInt("k", 4);

    EXPECT_EQ(Store("s")->GetInt("k", 0), 4);
    EXPECT_EQ(ReadFileBytes(AppStorePath() + ".corrupt"), garbage);
    EXPECT_TRUE(log.Service().Contains("unreadable"));
}

TEST_F(NativeDataStoreTest, FolderWhereNoFileCanBeMadeKeepsValuesInMemory) {
    const std::string blocker = folder_.PathOf("not-a-folder");
    WriteFileBytes(blocker, "x");
    AppInfo::SetDataDirectory(blocker);

    auto store = Store("s");
    store->SetInt("k", 5);
    EXPECT_EQ(Store("s")->GetInt("k", 0), 5);
}

// Said once, and for the rest of the process: a folder that becomes usable later gets no file, and the
// values stay where they were written.
TEST_F(NativeDataStoreTest, AFolderWhereNoFileCanBeMadeIsSaidOnceAndStaysInMemory) {
    const std::string later = folder_.PathOf("later");
    WriteFileBytes(later, "x");
    AppInfo::SetDataDirectory(later);
    ScopedCapturingLog log(LoggingMode::Error);

    Store("a")->SetInt("k", 6);
    Store("b")->SetInt("k", 7);
    std::filesystem::remove(later);
    std::filesystem::create_directories(later);
    EXPECT_EQ(Store("a")->GetInt("k", 0), 6);
    EXPECT_EQ(Store("b")->GetInt("k", 0), 7);
    EXPECT_TRUE(std::filesystem::is_empty(later));
    EXPECT_THAT(log.Service().GetMessages(LoggingMode::Error),
                ElementsAre("Cannot open the store " + later + "/" + AppInfo::StoreFileName("") +
                                ": unable to open database file",
                            "No store file can be opened in " + later + "; values are kept in memory only"));
}

// An earlier run's store that this one cannot write (another user's file, a read-only mount) is no damage:
// its values are read, this run's writes read back from memory, also once the services have closed every
// store, one line says so however many writes there are, and the file is left byte for byte as it was.
TEST_F(NativeDataStoreTest, AStoreThatCannotBeWrittenKeepsThisRunsValuesInMemoryAndSaysSoOnce) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    const struct {
        const char* name;
        std::function<void(const std::string& folder)> refuseWrites;
        const char* reason;
    } unwritable[] = {
        {"read-only-file",
         [&](const std::string& folder) { disk.MakeFileReadOnly(folder + "/" + AppInfo::StoreFileName("")); },
         "the file is read-only"},
        {"read-only-folder", [&](const std::string& folder) { disk.MakeFolderReadOnly(folder); },
         "its folder cannot be written"},
    };
    for (const auto& refused : unwritable) {
        SCOPED_TRACE(refused.name);
        // A folder of its own: a store once opened stays the process's.
        const std::string folder = folder_.PathOf(refused.name);
        const std::string path = folder + "/" + AppInfo::StoreFileName("");
        AppInfo::SetDataDirectory(folder);
        ASSERT_TRUE(RunInChildProcess([&] {
            Store("s")->SetString("earlier", "an earlier run's value");
            Store("s")->SetInt("k", -1);
            KeyValueStore::CloseEveryStore();
        }));
        const std::string earlierFile = ReadFileBytes(path);
        refused.refuseWrites(folder);

        ScopedCapturingLog log(LoggingMode::Warning);
        for (int value = 0; value < 20; ++value) {
            Store("s")->SetInt("k", value);
        }
        Store("s")->SetString("new", "this run's value");
        for (const bool closed : {false, true}) {
            SCOPED_TRACE(closed ? "after every store was closed" : "before");
            if (closed) {
                KeyValueStore::CloseEveryStore();
            }
            EXPECT_EQ(Store("s")->GetInt("k", 0), 19);
            EXPECT_EQ(Store("s")->GetString("new", ""), "this run's value");
            EXPECT_EQ(Store("s")->GetString("earlier", ""), "an earlier run's value");
        }
        EXPECT_THAT(log.Service().GetMessages(),
                    ElementsAre("Cannot write the store " + path + ": " + refused.reason +
                                "; its values are kept in memory for this run only, and the file is left as it "
                                "is"));
        EXPECT_EQ(earlierFile, ReadFileBytes(path));
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            files.push_back(entry.path().filename().string());
        }
        EXPECT_THAT(files, ElementsAre(AppInfo::StoreFileName("")));
        disk.Clear();
    }
}

}  // namespace
}  // namespace NuvraMobile
