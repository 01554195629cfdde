#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using Type = DatabaseInterface::ColumnDataType;

class NativeDatabaseServiceTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeSystemInfoService> MakeSystemInfo(const std::string& cacheDir) {
        auto systemInfo = std::make_shared<FakeSystemInfoService>();
        systemInfo->Update(
            [&](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = cacheDir; });
        return systemInfo;
    }

    static void CreateTableWithOneRow(const std::shared_ptr<DatabaseInterface>& database) {
        ASSERT_TRUE(database->CreateTable("T", {"A"}, {Type::TEXT}, {{}}));
        ASSERT_TRUE(database->Insert("T", {{"A", Variant::FromString("row")}}));
    }

    static int32_t RowCount(const std::shared_ptr<DatabaseInterface>& database) {
        return database->RunQuery(QueryBuilder("T", {"A"}).Build())->GetCount();
    }

    FileSystemTestFolder folder;
    std::shared_ptr<FakeSystemInfoService> systemInfo = MakeSystemInfo(folder.Path());
    std::shared_ptr<DatabaseServiceInterface> service = CreateNativeDatabaseService(systemInfo);
};

TEST(NativeDatabaseServiceNameTest, RemoveRelativePathComponentCleansInOnePassPerStep) {
    struct Case {
        const char* name;
        const char* cleaned;
    };
    const Case cases[] = {{"a\\b/../c", "a_b_c"},
                          {"../x", "_x"},
                          {"___", "__"},
                          {"a/b", "a_b"},
                          {"a\\b", "a_b"},
                          {"NVBMobileIdentity.sqlite", "NVBMobileIdentity.sqlite"},
                          {"....", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.cleaned, NativeDatabaseService::RemoveRelativePathComponent(c.name)) << c.name;
    }
}

TEST(NativeDatabaseServiceCreateTest, ANullSystemInfoServiceIsAMissingService) {
    try {
        CreateNativeDatabaseService(nullptr);
        FAIL() << "expected an error";
    } catch (const SdkError& error) {
        EXPECT_EQ("platform_services.missing_service", error.GetCode());
        EXPECT_EQ("SystemInfo Service", error.GetMessage());
    }
}

TEST_F(NativeDatabaseServiceTest, NamesThatCleanAlikeShareOneDatabaseAndOneFile) {
    auto first = service->OpenDatabase("a/b");
    auto second = service->OpenDatabase("a\\b");
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, service->OpenDatabase("a/b"));
    CreateTableWithOneRow(first);
    EXPECT_TRUE(fs::exists(folder.PathOf("a_b")));
}

TEST_F(NativeDatabaseServiceTest, DeleteDatabaseOfANameNeverOpenedLeavesTheFile) {
    folder.WriteFile("other.sqlite", "data");
    EXPECT_FALSE(service->DeleteDatabase("other.sqlite"));
    EXPECT_FALSE(service->DeleteDatabase(""));
    EXPECT_TRUE(fs::exists(folder.PathOf("other.sqlite")));
}

TEST_F(NativeDatabaseServiceTest, DeleteDatabaseRemovesTheFilesAndTheNextOpenStartsEmpty) {
    auto database = service->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    ASSERT_TRUE(fs::exists(folder.PathOf("hits.sqlite-wal")));

    EXPECT_TRUE(service->DeleteDatabase("hits.sqlite"));
    for (const char* file : {"hits.sqlite", "hits.sqlite-wal", "hits.sqlite-shm", "hits.sqlite-journal"}) {
        EXPECT_FALSE(fs::exists(folder.PathOf(file))) << file;
    }
    auto reopened = service->OpenDatabase("hits.sqlite");
    EXPECT_NE(database, reopened);
    EXPECT_TRUE(reopened->GetColumnNamesForTable("T").empty());
}

TEST_F(NativeDatabaseServiceTest, DeleteDatabaseClosesTheHandlesStillHeld) {
    auto database = service->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    ASSERT_TRUE(service->DeleteDatabase("hits.sqlite"));
    EXPECT_THROW(RowCount(database), SdkError);
    EXPECT_FALSE(fs::exists(folder.PathOf("hits.sqlite")));
}

TEST_F(NativeDatabaseServiceTest, DeleteDatabaseWhoseFileVanishedFailsButForgetsTheName) {
    auto database = service->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    database.reset();
    std::error_code ignored;
    fs::remove(folder.PathOf("hits.sqlite"), ignored);
    EXPECT_FALSE(service->DeleteDatabase("hits.sqlite"));
    EXPECT_FALSE(service->DeleteDatabase("hits.sqlite"));
    EXPECT_EQ(0u, service->OpenDatabase("hits.sqlite")->GetColumnNamesForTable("T").size());
}

TEST_F(NativeDatabaseServiceTest, AFailedOpenLeavesNoEntryAndALaterOpenTriesAgain) {
    auto missingFolder = CreateNativeDatabaseService(MakeSystemInfo(folder.PathOf("later")));
    EXPECT_THROW(missingFolder->OpenDatabase("hits.sqlite"), SdkError);
    EXPECT_FALSE(missingFolder->DeleteDatabase("hits.sqlite"));
    fs::create_directories(folder.PathOf("later"));
    auto database = missingFolder->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    EXPECT_EQ(1, RowCount(database));
}

TEST_F(NativeDatabaseServiceTest, AnEmptyCacheFolderGivesTemporaryDatabasesThatCannotBeDeleted) {
    auto temporary = CreateNativeDatabaseService(MakeSystemInfo(""));
    auto database = temporary->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    EXPECT_FALSE(temporary->DeleteDatabase("hits.sqlite"));
}

TEST_F(NativeDatabaseServiceTest, AnotherServiceOverTheSameFolderSeesTheStoredRows) {
    CreateTableWithOneRow(service->OpenDatabase("hits.sqlite"));
    auto second = CreateNativeDatabaseService(systemInfo);
    EXPECT_EQ(1, RowCount(second->OpenDatabase("hits.sqlite")));
}

// The replacement's rows stand under the name, and no log or journal is left to be applied to them.
TEST_F(NativeDatabaseServiceTest, ReplaceDatabasePutsTheReplacementsFileInThePlaceOfTheOther) {
    CreateTableWithOneRow(service->OpenDatabase("old"));
    auto replacement = service->OpenDatabase("new");
    CreateTableWithOneRow(replacement);
    ASSERT_TRUE(replacement->Insert("T", {{"A", Variant::FromString("second row")}}));

    ASSERT_TRUE(service->ReplaceDatabase("old", "new"));
    EXPECT_FALSE(fs::exists(folder.PathOf("new")));
    for (const char* sideFile : {"old-journal", "new-wal", "new-journal"}) {
        EXPECT_FALSE(fs::exists(folder.PathOf(sideFile))) << sideFile;
    }
    // The log of the file's new connection, empty: nothing of the old file's.
    EXPECT_EQ(0u, fs::exists(folder.PathOf("old-wal")) ? fs::file_size(folder.PathOf("old-wal")) : 0u);
    EXPECT_EQ(2, RowCount(service->OpenDatabase("old")));
}

// A journal left beside a file holds pages of that file: beside the renamed one it would be played
// back into it, so the replacement is refused and both files stay.
TEST_F(NativeDatabaseServiceTest, ReplaceDatabaseIsRefusedWhileAJournalIsLeftBesideEitherFile) {
    for (const char* leftOver : {"old-journal", "new-journal", "old-wal"}) {
        SCOPED_TRACE(leftOver);
        service = CreateNativeDatabaseService(systemInfo);
        for (const auto& entry : fs::directory_iterator(folder.Path())) {
            fs::remove(entry.path());
        }
        CreateTableWithOneRow(service->OpenDatabase("old"));
        CreateTableWithOneRow(service->OpenDatabase("new"));
        service = CreateNativeDatabaseService(systemInfo);  // closed: nothing of theirs is left beside them
        folder.WriteFile(leftOver, "left by a process that ended");

        EXPECT_FALSE(service->ReplaceDatabase("old", "new"));
        EXPECT_TRUE(fs::exists(folder.PathOf("old")));
        EXPECT_TRUE(fs::exists(folder.PathOf("new")));
    }
}

TEST_F(NativeDatabaseServiceTest, ReplaceDatabaseWithoutAFolderOrOfItselfIsRefused) {
    CreateTableWithOneRow(service->OpenDatabase("old"));
    EXPECT_FALSE(service->ReplaceDatabase("old", "old"));
    EXPECT_FALSE(service->ReplaceDatabase("old", "missing"));
    EXPECT_EQ(1, RowCount(service->OpenDatabase("old")));
    EXPECT_FALSE(CreateNativeDatabaseService(MakeSystemInfo(""))->ReplaceDatabase("old", "new"));
}

// The stand-in for a file that cannot be opened: one database per cleaned name for the service's life,
// never a file, out of reach of deletions and replacements of that name, and said once per name.
TEST_F(NativeDatabaseServiceTest, AnInMemoryDatabaseIsOnePerNameAndTouchesNoFile) {
    ScopedCapturingLog log(LoggingMode::Trace);
    auto database = service->OpenInMemoryDatabase("a/hits.sqlite");
    CreateTableWithOneRow(database);
    EXPECT_EQ(database, service->OpenInMemoryDatabase("a\\hits.sqlite"));
    EXPECT_NE(database, service->OpenInMemoryDatabase("other.sqlite"));
    EXPECT_FALSE(service->DeleteDatabase("a_hits.sqlite"));
    EXPECT_FALSE(service->ReplaceDatabase("a_hits.sqlite", "other.sqlite"));
    EXPECT_EQ(1, RowCount(service->OpenInMemoryDatabase("a_hits.sqlite")));
    EXPECT_TRUE(fs::is_empty(folder.Path()));
    const std::string inFolder =
        " in " + folder.Path() + "; its hits are kept in memory only, and are lost when the app ends";
    EXPECT_THAT(log.Service().GetMessages(LoggingMode::Error),
                ElementsAre("Cannot open a_hits.sqlite" + inFolder, "Cannot open other.sqlite" + inFolder));
}

// The services' Dispose closes every database file: nothing is left beside them, a database used
// afterwards opens its file again with its rows, and one in memory keeps its rows.
TEST_F(NativeDatabaseServiceTest, ClosingEveryDatabaseLeavesNoFileBesideThemAndALaterStatementOpensItAgain) {
    auto database = service->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    ASSERT_TRUE(fs::exists(folder.PathOf("hits.sqlite-wal")));
    auto memory = service->OpenInMemoryDatabase("memory.sqlite");
    CreateTableWithOneRow(memory);
    std::dynamic_pointer_cast<NativeDatabaseService>(service)->CloseEveryDatabase();
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        files.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(files, ElementsAre("hits.sqlite"));
    ASSERT_TRUE(database->Insert("T", {{"A", Variant::FromString("after")}}));
    EXPECT_EQ(2, RowCount(database));
    EXPECT_EQ(1, RowCount(memory));
}

// The services' Dispose may come while a transaction is open (a reset's copy, a migration): closing then
// would roll back its rows and fail its end. The close waits for the end instead, without blocking the
// Dispose, and the file is closed once the transaction is over.
TEST_F(NativeDatabaseServiceTest, ClosingEveryDatabaseInsideATransactionWaitsForItsEndAndLosesNoRow) {
    auto database = service->OpenDatabase("hits.sqlite");
    CreateTableWithOneRow(database);
    ASSERT_TRUE(database->BeginTransaction(DatabaseInterface::TransactionType::IMMEDIATE));
    ASSERT_TRUE(database->Insert("T", {{"A", Variant::FromString("before the close")}}));
    std::dynamic_pointer_cast<NativeDatabaseService>(service)->CloseEveryDatabase();
    ASSERT_TRUE(database->Insert("T", {{"A", Variant::FromString("after the close")}}));
    EXPECT_TRUE(fs::exists(folder.PathOf("hits.sqlite-wal")));
    EXPECT_TRUE(database->EndTransaction());
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        files.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(files, ElementsAre("hits.sqlite"));
    EXPECT_EQ(3, RowCount(database));
}

}  // namespace
}  // namespace NuvraMobile
