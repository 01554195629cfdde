#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "shared/HitQueueBase.h"
#include "support/CapturingLoggingService.h"
#include "support/DiskFillingVfs.h"
#include "support/FakeSystemInfoService.h"
#include "support/FaultInjectingDatabaseService.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/UnwritableVfs.h"

namespace NuvraMobile {
namespace {

using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

class HitQueueBaseTest : public HitQueueTestFixture {
protected:
    std::shared_ptr<TestHitQueue> MakeQueue(const std::shared_ptr<TestHitSchema>& schema = nullptr) {
        return std::make_shared<TestHitQueue>(MakePlatformServices(),
                                              schema ? schema : std::make_shared<TestHitSchema>(), processor);
    }

    /**
     * The table without its key, as a damaged file can answer it: rows "a" (1), "b" (2), "b again" (2 as
     * well) and "c" (3).
     */
    void WriteTableWithARepeatedIdentifier() {
        auto old = databaseService->OpenDatabase("NVBMobileTest.sqlite");
        ASSERT_TRUE(old->CreateTable("TEST_HITS", {"ID", "URL", "TIMESTAMP"},
                                     {Type::INTEGER, Type::TEXT, Type::INTEGER}, {{}, {}, {}}));
        for (const auto& [identifier, url] : {std::pair{1, "a"}, {2, "b"}, {2, "b again"}, {3, "c"}}) {
            ASSERT_TRUE(old->Insert("TEST_HITS", {{"ID", Variant::FromInteger(identifier)},
                                                  {"URL", Variant::FromString(url)},
                                                  {"TIMESTAMP", Variant::FromInteger(0)}}));
        }
    }

    std::shared_ptr<TestHitProcessor> processor = std::make_shared<TestHitProcessor>();
};

TEST_F(HitQueueBaseTest, QueuedHitsComeBackOldestFirstWithTheirIdentifiers) {
    auto queue = MakeQueue();
    EXPECT_TRUE(queue->Queue(TestHit::Make("a", 10)));
    EXPECT_TRUE(queue->Queue(TestHit::Make("b", 20)));
    EXPECT_EQ(2, queue->GetSize());
    auto oldest = queue->SelectOldestHit();
    ASSERT_NE(nullptr, oldest);
    EXPECT_EQ("a", oldest->url);
    EXPECT_EQ(10, oldest->timestamp);
    EXPECT_EQ("1", oldest->identifier);
    EXPECT_TRUE(queue->DeleteHitWithIdentifier(oldest->identifier));
    EXPECT_EQ("b", queue->SelectOldestHit()->url);
}

TEST_F(HitQueueBaseTest, HitsSurviveDroppingAndRebuildingTheQueue) {
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("first")));
    ASSERT_TRUE(queue->Queue(TestHit::Make("second")));
    queue.reset();
    databaseService = CreateNativeDatabaseService(systemInfo);
    auto rebuilt = MakeQueue();
    EXPECT_EQ(2, rebuilt->GetSize());
    EXPECT_THAT(TakeUrlsInTable(*rebuilt), ElementsAre("first", "second"));
}

TEST_F(HitQueueBaseTest, ASelectionArgumentWithQuotesComesBackIntact) {
    auto queue = MakeQueue();
    const std::string url = "https://example.com/?q=it's \"quoted\"; DROP TABLE TEST_HITS; --?";
    ASSERT_TRUE(queue->Queue(TestHit::Make("other")));
    ASSERT_TRUE(queue->Queue(TestHit::Make(url)));
    auto found = queue->QueryHit(
        QueryBuilder("TEST_HITS", {"ID", "URL", "TIMESTAMP"}).Selection("URL = ?", {url}).Build());
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(url, found->url);
    found->url = url + " 'updated'";
    EXPECT_TRUE(queue->UpdateHit(found));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("other", url + " 'updated'"));
}

TEST_F(HitQueueBaseTest, UpdateAllHitsSetsTheColumnsOfEveryRow) {
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a", 1)));
    ASSERT_TRUE(queue->Queue(TestHit::Make("b", 2)));
    EXPECT_TRUE(queue->UpdateAllHits({{"TIMESTAMP", Variant::FromLong(99)}}));
    EXPECT_EQ(2,
              queue->GetSize(QueryBuilder("TEST_HITS", {"ID"}).Selection("TIMESTAMP = ?", {"99"}).Build()));
}

// Counted without reading the rows where the selection alone decides; a grouped or limited query still
// counts the rows it selects.
TEST_F(HitQueueBaseTest, GetSizeCountsTheRowsTheQuerySelects) {
    auto queue = MakeQueue();
    for (const auto& [url, timestamp] : {std::pair{"a", 1}, {"b", 1}, {"c", 2}}) {
        ASSERT_TRUE(queue->Queue(TestHit::Make(url, timestamp)));
    }
    const struct {
        const char* name;
        std::shared_ptr<Query> query;
        std::int32_t expected;
    } sizes[] = {
        {"every row", QueryBuilder("TEST_HITS", {"ID"}).Build(), 3},
        {"a selection", QueryBuilder("TEST_HITS", {"URL"}).Selection("TIMESTAMP = ?", {"1"}).Build(), 2},
        {"no match", QueryBuilder("TEST_HITS", {"ID"}).Selection("URL = ?", {"none"}).Build(), 0},
        {"a limit", QueryBuilder("TEST_HITS", {"ID"}).Limit("1").Build(), 1},
        {"a grouping", QueryBuilder("TEST_HITS", {"TIMESTAMP"}).GroupBy("TIMESTAMP").Build(), 2},
        {"a missing table", QueryBuilder("MISSING", {"ID"}).Build(), 0},
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.name);
        EXPECT_EQ(size.expected, queue->GetSize(size.query));
    }
    EXPECT_EQ(3, queue->GetSize());
}

// The size is kept, not counted each time: every write that adds or removes rows must leave it true.
TEST_F(HitQueueBaseTest, TheSizeFollowsEveryWriteThatAddsOrRemovesRows) {
    auto queue = MakeQueue();
    const auto rowsInFile = [this] {
        return databaseService->OpenDatabase("NVBMobileTest.sqlite")->CountRows("TEST_HITS", "", {});
    };
    const auto insertBesideTheQueue = [this] {
        databaseService->OpenDatabase("NVBMobileTest.sqlite")
            ->Insert("TEST_HITS", {{"URL", Variant::FromString("beside")}, {"TIMESTAMP", Variant::FromInteger(0)}});
    };
    struct Step {
        const char* name;
        std::function<void()> write;
    };
    const Step steps[] = {
        {"hits queued", [&] { ASSERT_TRUE(queue->Queue(TestHit::Make("a")) && queue->Queue(TestHit::Make("b"))); }},
        {"the oldest deleted", [&] { queue->DeleteHitWithIdentifier(queue->SelectOldestHit()->identifier); }},
        {"a missing identifier deleted", [&] { queue->DeleteHitWithIdentifier("999"); }},
        {"every hit deleted", [&] { queue->DeleteAllHits(); }},
        {"a row written beside the queue, then deleted through it (the kept count would go below zero)",
         [&] {
             insertBesideTheQueue();
             queue->DeleteHitWithIdentifier(queue->SelectOldestHit()->identifier);
         }},
        {"a reset after rows written beside the queue",
         [&] {
             insertBesideTheQueue();
             insertBesideTheQueue();
             queue->Reset();
         }},
        {"a hit queued into a dropped table (reset, then stored)",
         [&] {
             queue->DeleteTable();
             ASSERT_TRUE(queue->Queue(TestHit::Make("c")));
         }},
    };
    EXPECT_EQ(0, queue->GetSize());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.write();
        EXPECT_EQ(rowsInFile(), queue->GetSize());
    }
}

TEST_F(HitQueueBaseTest, AFileOfGarbageBytesIsReplacedByAWorkingEmptyTable) {
    folder.WriteFile("NVBMobileTest.sqlite", std::string(4096, '\x5A') + "not a database at all");
    ScopedCapturingLog log(LoggingMode::Error);
    auto queue = MakeQueue();
    EXPECT_EQ(nullptr, queue->SelectOldestHit());
    EXPECT_TRUE(log.Service().Contains("Database in unrecoverable state, resetting."));
    EXPECT_TRUE(queue->Queue(TestHit::Make("after reset")));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("after reset"));
}

TEST_F(HitQueueBaseTest, ATableWithOldColumnsIsMigratedKeepingItsRows) {
    auto old = databaseService->OpenDatabase("NVBMobileTest.sqlite");
    ASSERT_TRUE(old->CreateTable("TEST_HITS", {"ID", "URL", "OBSOLETE"},
                                 {Type::INTEGER, Type::TEXT, Type::TEXT},
                                 {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}}));
    ASSERT_TRUE(old->Insert("TEST_HITS",
                            {{"URL", Variant::FromString("kept")}, {"OBSOLETE", Variant::FromString("x")}}));
    auto queue = MakeQueue();
    EXPECT_THAT(old->GetColumnNamesForTable("TEST_HITS"), ElementsAre("ID", "URL", "TIMESTAMP"));
    auto hit = queue->SelectOldestHit();
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ("kept", hit->url);
    EXPECT_EQ(0, hit->timestamp);
}

TEST_F(HitQueueBaseTest, ColumnsInAnotherOrderDoNotMatchTheSchema) {
    auto old = databaseService->OpenDatabase("NVBMobileTest.sqlite");
    ASSERT_TRUE(old->CreateTable("TEST_HITS", {"ID", "TIMESTAMP", "URL"},
                                 {Type::INTEGER, Type::INTEGER, Type::TEXT},
                                 {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}}));
    auto schema = std::make_shared<TestHitSchema>();
    auto queue = MakeQueue(schema);
    EXPECT_TRUE(queue->HitSchemaMatchesExistingTableSchema(schema));
    EXPECT_THAT(old->GetColumnNamesForTable("TEST_HITS"), ElementsAre("ID", "URL", "TIMESTAMP"));
}

TEST_F(HitQueueBaseTest, AFailingStatementResetsTheDatabaseAndTheHitThatFoundItIsKept) {
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("lost")));
    ASSERT_TRUE(queue->DeleteTable());
    ScopedCapturingLog log(LoggingMode::Error);
    EXPECT_TRUE(queue->Queue(TestHit::Make("kept")));
    EXPECT_TRUE(log.Service().Contains(
        "Unable to read from database.  Query failed with error Table does not exist\n"));
    EXPECT_TRUE(log.Service().Contains("Database in unrecoverable state, resetting."));
    EXPECT_TRUE(queue->Queue(TestHit::Make("fresh")));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("kept", "fresh"));
}

TEST_F(HitQueueBaseTest, AResetThatCannotReplaceTheFileRefusesFurtherWork) {
    systemInfo->Update([](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = ""; });
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    ASSERT_TRUE(queue->DeleteTable());
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_FALSE(queue->Queue(TestHit::Make("b")));
    EXPECT_TRUE(log.Service().Contains("Failed to replace the damaged database file (NVBMobileTest.sqlite)"));
    log.Service().Clear();
    EXPECT_FALSE(queue->Queue(TestHit::Make("c")));
    EXPECT_TRUE(log.Service().Contains("Ignoring hit due to database error"));
    auto hit = TestHit::Make("d");
    hit->identifier = "1";
    EXPECT_FALSE(queue->UpdateHit(hit));
    EXPECT_FALSE(queue->UpdateAllHits({{"URL", Variant::FromString("x")}}));
}

struct StatementFault {
    const char* name;
    int resultCode;
    bool resets;
};

std::ostream& operator<<(std::ostream& stream, const StatementFault& fault) { return stream << fault.name; }

class HitQueueStatementFaultTest : public HitQueueBaseTest, public testing::WithParamInterface<StatementFault> {
protected:
    HitQueueStatementFaultTest() { databaseService = faulty; }

    std::shared_ptr<FaultInjectingDatabaseService> faulty =
        std::make_shared<FaultInjectingDatabaseService>(databaseService);
};

// Whatever the failure, the stored hits survive it: a passing failure leaves the file alone and refuses
// the hit, and a reset carries over every row that can still be read and then stores the hit.
TEST_P(HitQueueStatementFaultTest, AFailedWriteKeepsTheStoredHits) {
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    ASSERT_TRUE(queue->Queue(TestHit::Make("b")));
    ScopedCapturingLog log(LoggingMode::Error);
    faulty->Faults().FailNextStatements(GetParam().resultCode);
    EXPECT_EQ(GetParam().resets, queue->Queue(TestHit::Make("during the fault")));
    EXPECT_EQ(log.Service().Contains("Database in unrecoverable state, resetting."), GetParam().resets);
    EXPECT_TRUE(queue->Queue(TestHit::Make("c")));
    EXPECT_EQ(GetParam().resets ? 4 : 3, queue->GetSize());
    if (GetParam().resets) {
        EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", "b", "during the fault", "c"));
    } else {
        EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", "b", "c"));
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, HitQueueStatementFaultTest,
                         testing::Values(StatementFault{"Full", SQLITE_FULL, false},
                                         StatementFault{"IoError", SQLITE_IOERR, false},
                                         StatementFault{"Busy", SQLITE_BUSY, false},
                                         StatementFault{"Locked", SQLITE_LOCKED, false},
                                         StatementFault{"OutOfMemory", SQLITE_NOMEM, false},
                                         StatementFault{"Corrupt", SQLITE_CORRUPT, true},
                                         StatementFault{"NotADatabase", SQLITE_NOTADB, true},
                                         StatementFault{"SqlError", SQLITE_ERROR, true}),
                         testing::PrintToStringParamName());

TEST_F(HitQueueStatementFaultTest, AFailedQueryOrDeletionOfAPassingKindKeepsTheHits) {
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    faulty->Faults().FailNextStatements(SQLITE_BUSY, 2);
    EXPECT_EQ(nullptr, queue->SelectOldestHit());
    EXPECT_FALSE(queue->DeleteHitWithIdentifier("1"));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a"));
}

TEST_F(HitQueueStatementFaultTest, AFatalDatabaseRecoversWithTheNextGoodResetAfterThePause) {
    auto now = std::chrono::steady_clock::now();
    auto queue = MakeQueue();
    queue->SetClockForTesting([&now] { return now; });
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    faulty->Faults().FailNextStatements(SQLITE_CORRUPT);
    faulty->Faults().RefuseNextDeletions(1);
    EXPECT_FALSE(queue->Queue(TestHit::Make("during the failed reset")));
    EXPECT_FALSE(queue->Queue(TestHit::Make("while fatal")));

    now += ResetRetrySchedule::PAUSE;
    faulty->Faults().FailNextStatements(SQLITE_CORRUPT);
    EXPECT_EQ(nullptr, queue->SelectOldestHit());  // fails, and this time the reset succeeds
    EXPECT_TRUE(queue->Queue(TestHit::Make("after recovery")));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", "after recovery"));
}

TEST_F(HitQueueBaseTest, AResetOfAPartlyDamagedFileKeepsTheRowsThatCanStillBeRead) {
    constexpr int hits = 400;
    {
        auto queue = MakeQueue();
        for (int index = 0; index < hits; ++index) {
            ASSERT_TRUE(queue->Queue(TestHit::Make(std::to_string(index) + std::string(200, '.'))));
        }
    }
    databaseService.reset();  // closes the file, folding its log into it
    DamagePages(folder.PathOf("NVBMobileTest.sqlite"), 10, 2);
    databaseService = CreateNativeDatabaseService(systemInfo);
    ScopedCapturingLog log(LoggingMode::Error);
    auto queue = MakeQueue();
    queue->Reset();
    const std::vector<std::string> urls = TakeUrlsInTable(*queue);
    EXPECT_TRUE(log.Service().Contains("readable hits of NVBMobileTest.sqlite"));
    ASSERT_GT(urls.size(), hits * 3 / 4u);
    EXPECT_LT(urls.size(), static_cast<size_t>(hits));
    EXPECT_EQ(urls.back(), std::to_string(hits - 1) + std::string(200, '.'));
}

/** URLs read one at a time by "ID > ?", stepping one identifier past each that fails: plain reading. */
std::vector<std::string> UrlsReadableOneByOne(DatabaseInterface& database, std::int64_t lastIdentifier) {
    std::vector<std::string> readable;
    for (std::int64_t after = 0; after < lastIdentifier;) {
        std::int64_t next = after + 1;
        TrySwallow([&] {
            const auto result = database.RunQuery(QueryBuilder("TEST_HITS", {"ID", "URL"})
                                                      .Selection("ID > ?", {std::to_string(after)})
                                                      .OrderBy("ID ASC")
                                                      .Limit("1")
                                                      .Build());
            if (result && result->MoveToFirst() && result->GetLong(0) > after) {
                const std::string url = result->GetString(1);
                next = result->GetLong(0);
                readable.push_back(url);
            }
        });
        after = next;
    }
    return readable;
}

// With the second half of the file overwritten the largest identifier cannot be read: the salvage still
// steps through every identifier range, and the hit whose insert found the damage is stored.
TEST_F(HitQueueBaseTest, AResetOfAFileWithItsSecondHalfOverwrittenKeepsWhatPlainReadingFinds) {
    constexpr int hits = 3000;
    InsertHitRows(hits);
    databaseService.reset();
    const std::string path = folder.PathOf("NVBMobileTest.sqlite");
    const int pages = static_cast<int>(std::filesystem::file_size(path) / 4096);
    DamagePages(path, pages / 2, pages - pages / 2);
    databaseService = CreateNativeDatabaseService(systemInfo);
    const size_t readable =
        UrlsReadableOneByOne(*databaseService->OpenDatabase("NVBMobileTest.sqlite"), hits).size();
    ASSERT_GT(readable, HitDatabaseBase::SALVAGE_BATCH_ROWS);

    ScopedCapturingLog log(LoggingMode::Error);
    auto queue = MakeQueue();
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the damage")));
    EXPECT_TRUE(log.Service().Contains("Database in unrecoverable state, resetting."));
    EXPECT_GE(static_cast<size_t>(queue->GetSize()), readable + 1);
    const auto newest = queue->QueryHit(
        QueryBuilder("TEST_HITS", {"ID", "URL", "TIMESTAMP"}).OrderBy("ID DESC").Limit("1").Build());
    ASSERT_NE(nullptr, newest);
    EXPECT_EQ("after the damage", newest->url);
}

// The salvage strides over a damaged range by doubling steps, so its first readable step can land past
// rows that follow the range: it steps back towards the damage, and keeps each of them.
TEST_F(HitQueueBaseTest, AResetKeepsEveryRowPlainReadingFindsAfterADamagedRange) {
    constexpr int hits = 400;
    struct Damage {
        int firstPage;
        int pages;
    };
    for (const Damage damage : {Damage{10, 1}, Damage{10, 2}, Damage{8, 5}}) {
        SCOPED_TRACE(std::to_string(damage.pages) + " pages from page " + std::to_string(damage.firstPage));
        std::filesystem::remove(folder.PathOf("NVBMobileTest.sqlite"));
        databaseService = CreateNativeDatabaseService(systemInfo);
        InsertHitRows(hits);
        databaseService.reset();  // closes the file, folding its log into it
        DamagePages(folder.PathOf("NVBMobileTest.sqlite"), damage.firstPage, damage.pages);
        databaseService = CreateNativeDatabaseService(systemInfo);
        const std::vector<std::string> readable =
            UrlsReadableOneByOne(*databaseService->OpenDatabase("NVBMobileTest.sqlite"), hits);
        ASSERT_LT(readable.size(), static_cast<size_t>(hits));

        auto queue = MakeQueue();
        queue->Reset();
        EXPECT_EQ(readable.size(), static_cast<size_t>(queue->GetSize()));
        EXPECT_TRUE(UrlsInTable() == readable) << "the kept rows are not those plain reading finds";
        queue.reset();
        databaseService.reset();
    }
}

size_t CountErrorLinesContaining(const CapturingLoggingService& log, const std::string& text) {
    size_t count = 0;
    for (const CapturingLoggingService::Line& line : log.GetLines()) {
        count += line.level == LoggingMode::Error && line.message.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

// The copy of a reset fails while the disk is full: the hits meanwhile are refused with one error line
// that says why, and once the pause has passed, a hit tries the reset again and, the disk having room
// again, is stored after every saved row.
TEST_F(HitQueueBaseTest, AResetThatFoundTheDiskFullIsTriedAgainAfterAPause) {
    DiskFillingVfs& disk = DiskFillingVfs::Install();
    auto now = std::chrono::steady_clock::now();
    auto queue = MakeQueue();
    queue->SetClockForTesting([&now] { return now; });
    for (const char* url : {"a", "b", "c"}) {
        ASSERT_TRUE(queue->Queue(TestHit::Make(url)));
    }
    ScopedCapturingLog log(LoggingMode::Error);
    disk.FailWritesAfter(0);
    queue->Reset();
    EXPECT_FALSE(queue->Queue(TestHit::Make("while full")));
    EXPECT_FALSE(queue->Queue(TestHit::Make("still full")));
    EXPECT_EQ(1u, CountErrorLinesContaining(log.Service(), "Ignoring hit due to database error"));
    EXPECT_EQ(1u, CountErrorLinesContaining(log.Service(),
                                            "full); hits are refused until the reset tried again in 30 s"));

    disk.Clear();
    now += ResetRetrySchedule::PAUSE - std::chrono::seconds(1);
    EXPECT_FALSE(queue->Queue(TestHit::Make("within the pause")));
    now += std::chrono::seconds(1);
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the pause")));
    EXPECT_TRUE(queue->Queue(TestHit::Make("next")));
    EXPECT_EQ(5, queue->GetSize());
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", "b", "c", "after the pause", "next"));
}

// A file an ended process left where the reset writes the saved rows, which SQLite cannot read: it is
// removed and the copy written into a new one, on the same reset.
TEST_F(HitQueueBaseTest, AnUnwritableFileLeftWhereTheResetWritesIsReplacedOnTheSameReset) {
    constexpr int hits = 400;
    InsertHitRows(hits);
    databaseService.reset();  // closes the file, folding its log into it
    DamagePages(folder.PathOf("NVBMobileTest.sqlite"), 10, 2);
    folder.WriteFile("NVBMobileTest.sqlite.salvage", std::string(8192, '\x5A'));
    databaseService = CreateNativeDatabaseService(systemInfo);
    std::vector<std::string> expected =
        UrlsReadableOneByOne(*databaseService->OpenDatabase("NVBMobileTest.sqlite"), hits);
    ASSERT_LT(expected.size(), static_cast<size_t>(hits));

    auto queue = MakeQueue();
    queue->Reset();
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the reset")));
    expected.push_back("after the reset");
    EXPECT_TRUE(UrlsInTable() == expected) << "the kept rows are not the readable ones";
}

// A damaged file can answer an identifier twice; the new table's key refuses the second row, and that
// row alone is left out.
TEST_F(HitQueueBaseTest, ASavedRowTheNewTableRefusesIsLeftOutAndTheOthersAreKept) {
    WriteTableWithARepeatedIdentifier();
    auto queue = MakeQueue();
    ScopedCapturingLog log(LoggingMode::Error);
    queue->Reset();
    EXPECT_EQ(1u,
              CountErrorLinesContaining(
                  log.Service(), "Left out 1 saved hits of NVBMobileTest.sqlite that the new table refused"));
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the reset")));
    EXPECT_EQ(4, queue->GetSize());
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", AnyOf("b", "b again"), "c", "after the reset"));
}

/** A fault-injecting queue whose worker can be waited for, and whose reset pause runs on the test's clock. */
class HitQueueResetPauseTest : public HitQueueStatementFaultTest {
protected:
    std::shared_ptr<TestHitQueue> MakeQueueOnTestClock() {
        auto queue = std::make_shared<TestHitQueue>(MakePlatformServices(threading),
                                                    std::make_shared<TestHitSchema>(), processor);
        queue->SetClockForTesting([this] { return now; });
        return queue;
    }

    /** Fresh services over a folder without the database file, for the next case of a table. */
    void StartWithoutFile() {
        faulty.reset();
        databaseService.reset();  // closes the file
        std::filesystem::remove(folder.PathOf("NVBMobileTest.sqlite"));
        faulty = std::make_shared<FaultInjectingDatabaseService>(CreateNativeDatabaseService(systemInfo));
        databaseService = faulty;
        threading = std::make_shared<HitQueueThreadingService>();
    }

    /** Hits are sent; once `url` is, every write fails with `resultCode`, its deletion first. */
    void FailWritesFromTheSendingOf(const std::string& url, int resultCode) {
        processor = std::make_shared<TestHitProcessor>([this, url, resultCode](const TestHit& hit) {
            if (hit.url == url) {
                faulty->Faults().FailEveryWrite(resultCode);
            }
            return HitProcessingResult::DONE;
        });
    }

    /** Starts the worker and waits until it has ended. */
    void RunWorker(TestHitQueue& queue) {
        queue.BringOnline();
        ASSERT_TRUE(threading->WaitUntilIdle());
    }

    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    std::shared_ptr<HitQueueThreadingService> threading = std::make_shared<HitQueueThreadingService>();
};

// Each statement within the pause meets the damaged file again: none may start a salvage of every row, and
// the log tells once why statements fail, hits and updates are refused.
TEST_F(HitQueueResetPauseTest, WithinThePauseNoStatementResetsAndEachRefusalIsLoggedOnce) {
    auto queue = MakeQueueOnTestClock();
    for (const char* url : {"a", "b", "c"}) {
        ASSERT_TRUE(queue->Queue(TestHit::Make(url)));
    }
    faulty->Faults().FailEveryStatement(SQLITE_CORRUPT);
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_FALSE(queue->Queue(TestHit::Make("finds the damage")));
    ASSERT_EQ(1u, CountErrorLinesContaining(log.Service(), "Failed to replace the damaged database file"));
    log.Service().Clear();

    auto withIdentifier = TestHit::Make("updated");
    withIdentifier->identifier = "1";
    const std::function<void()> statements[] = {
        [&] { EXPECT_EQ(nullptr, queue->SelectOldestHit()); },
        [&] { RunWorker(*queue); },
        [&] { EXPECT_FALSE(queue->DeleteHitWithIdentifier("1")); },
        [&] { EXPECT_FALSE(queue->Queue(TestHit::Make("refused"))); },
        [&] { EXPECT_FALSE(queue->UpdateHit(withIdentifier)); },
        [&] {
            EXPECT_FALSE(queue->UpdateAllHits({{"TIMESTAMP", Variant::FromLong(1)}}));
        },
        [&] { RunWorker(*queue); },
        [&] { EXPECT_FALSE(queue->Queue(TestHit::Make("refused again"))); },
        [&] { EXPECT_EQ(nullptr, queue->SelectOldestHit()); },
        [&] { EXPECT_FALSE(queue->DeleteAllHits()); },
        // Analytics asks for the size on each kick; a failed count is counted again when next asked.
        [&] { EXPECT_EQ(0, queue->GetSize()); },
        [&] { EXPECT_EQ(0, queue->GetSize()); },
        [&] { EXPECT_EQ(0, queue->GetSize(QueryBuilder("TEST_HITS", {"ID"}).Build())); },
    };
    for (const auto& statement : statements) {
        now += std::chrono::seconds(1);
        statement();
    }
    EXPECT_EQ(0u, CountErrorLinesContaining(log.Service(), "Database in unrecoverable state"));
    EXPECT_THAT(
        log.Service().GetMessages(LoggingMode::Error),
        ElementsAre(
            HasSubstr("Query failed with error injected fault"),
            AllOf(HasSubstr("Not resetting the damaged file NVBMobileTest.sqlite again before the reset that "
                            "failed ("),
                  HasSubstr(") is tried again in 29 s")),
            AllOf(HasSubstr("Ignoring hit due to database error: the damaged file NVBMobileTest.sqlite "
                            "could not be replaced ("),
                  HasSubstr("hits are refused until the reset tried again in 26 s")),
            AllOf(HasSubstr("Ignoring update of stored hits due to database error: the damaged file "
                            "NVBMobileTest.sqlite could not be replaced ("),
                  HasSubstr("updates are refused until the reset tried again in 25 s"))));
    EXPECT_TRUE(processor->ProcessedUrls().empty());

    // After the pause the first write tries the reset again, and it succeeds.
    faulty->Faults().Clear();
    now += ResetRetrySchedule::PAUSE - std::chrono::seconds(10);
    log.Service().Clear();
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the pause")));
    EXPECT_EQ(1u, CountErrorLinesContaining(log.Service(), "Database in unrecoverable state, resetting."));
    EXPECT_THAT(UrlsInTable(), ElementsAre("a", "b", "c", "after the pause"));
}

// The file can be read but not written: the sent hit's deletion fails, and so does the reset it starts.
// The worker must not send that hit again, however often it is started, until the row is gone: deleted
// once the file can be written, or left out of the new file by the reset after the pause. Meanwhile the
// row stays in the file, for a later process to send should this one end first. A reset that left the hit
// out forgets it: with that hit alone stored, the table it leaves empty numbers the next hit as the sent
// one was, and that hit must be sent, not deleted as the one kept aside.
TEST_F(HitQueueResetPauseTest, ASentHitWhoseDeletionFailedIsNotSentAgainBeforeTheRepair) {
    const auto resetByAHitAfterThePause = [this](TestHitQueue& queue) {
        now += ResetRetrySchedule::PAUSE;
        EXPECT_TRUE(queue.Queue(TestHit::Make("c")));
    };
    const struct {
        const char* name;
        std::vector<std::string> stored;
        std::function<void(TestHitQueue&)> repair;
        std::vector<std::string> rowsAfterTheRepair;
        std::vector<std::string> sent;
    } repairs[] = {
        {"the file can be written again", {"a", "b"}, [](TestHitQueue&) {}, {"a", "b"}, {"a", "b"}},
        {"a hit after the pause resets the file", {"a", "b"}, resetByAHitAfterThePause, {"b", "c"},
         {"a", "b", "c"}},
        {"a hit after the pause resets the file, and takes the sent hit's identifier", {"a"},
         resetByAHitAfterThePause, {"c"}, {"a", "c"}},
    };
    for (const auto& repair : repairs) {
        SCOPED_TRACE(repair.name);
        StartWithoutFile();
        FailWritesFromTheSendingOf("a", SQLITE_CORRUPT);
        auto queue = MakeQueueOnTestClock();
        for (const std::string& url : repair.stored) {
            ASSERT_TRUE(queue->Queue(TestHit::Make(url)));
        }
        for (int run = 0; run < 3; ++run) {
            RunWorker(*queue);
        }
        EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a"));
        EXPECT_EQ(repair.stored, UrlsInTable());

        faulty->Faults().Clear();
        repair.repair(*queue);
        EXPECT_EQ(repair.rowsAfterTheRepair, UrlsInTable());
        RunWorker(*queue);
        EXPECT_EQ(repair.sent, processor->ProcessedUrls());
        EXPECT_TRUE(UrlsInTable().empty());
    }
}

// A deletion that finds the disk full keeps the sent hit aside too, without a reset. A table dropped and
// made again numbers its rows from 1, so the identifier kept aside would name a new hit: it goes with the
// table, and the new hit is sent.
TEST_F(HitQueueResetPauseTest, AHitKeptAsideOnAFullDiskIsNotSentAgainAndGoesWithItsTable) {
    FailWritesFromTheSendingOf("a", SQLITE_FULL);
    auto queue = MakeQueueOnTestClock();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    RunWorker(*queue);
    RunWorker(*queue);
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a"));
    EXPECT_THAT(UrlsInTable(), ElementsAre("a"));

    faulty->Faults().Clear();
    ASSERT_TRUE(queue->DeleteTable());
    ASSERT_TRUE(queue->OpenOrCreateDatabase());
    ASSERT_TRUE(queue->Queue(TestHit::Make("new")));
    RunWorker(*queue);
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a", "new"));
    EXPECT_TRUE(UrlsInTable().empty());
}

// The new file is in place, but it cannot be opened: the queue is left without a database. That reset
// failed, and is tried again once the pause has passed: a hit then finds the new file with the saved row,
// and both are sent.
TEST_F(HitQueueResetPauseTest, AResetWhoseNewFileCannotBeOpenedIsTriedAgainAfterThePause) {
    auto queue = MakeQueueOnTestClock();
    ASSERT_TRUE(queue->Queue(TestHit::Make("saved")));
    faulty->Faults().RefuseOpensOf("NVBMobileTest.sqlite");
    ScopedCapturingLog log(LoggingMode::Error);
    queue->Reset();
    EXPECT_FALSE(queue->Queue(TestHit::Make("within the pause")));
    EXPECT_TRUE(log.Service().Contains("could not be replaced (the new file could not be opened)"));

    faulty->Faults().Clear();
    now += ResetRetrySchedule::PAUSE;
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the pause")));
    RunWorker(*queue);
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("saved", "after the pause"));
    EXPECT_TRUE(UrlsInTable().empty());
}

// Ways in which reading a table's columns can fail that say nothing of the table.
const struct ColumnReadFailure {
    const char* name;
    int resultCode;
} COLUMN_READ_FAILURES[] = {
    {"an I/O error", SQLITE_IOERR},
    {"a busy file", SQLITE_BUSY},
    {"a closed connection", SQLITE_MISUSE},
};

// A column read that fails for a reason that may pass tells nothing of the rows: taken for a table
// without rows, it would replace the file by an empty one. The reset stops, and the one after the pause,
// whose read works, keeps every row.
TEST_F(HitQueueResetPauseTest, AResetWhoseColumnReadFailsKeepsTheFileAndItsRows) {
    for (const auto& failure : COLUMN_READ_FAILURES) {
        SCOPED_TRACE(failure.name);
        StartWithoutFile();
        auto queue = MakeQueueOnTestClock();
        ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
        ASSERT_TRUE(queue->Queue(TestHit::Make("b")));
        ScopedCapturingLog log(LoggingMode::Error);
        // The insert finds the file damaged; the reset reads the table's columns first.
        const std::int64_t insert = faulty->Faults().StatementCount() + 1;
        faulty->Faults().FailStatements(insert, SQLITE_CORRUPT);
        faulty->Faults().FailStatements(insert + 1, failure.resultCode);
        EXPECT_FALSE(queue->Queue(TestHit::Make("refused")));
        EXPECT_TRUE(
            log.Service().Contains("Failed to replace the damaged database file (NVBMobileTest.sqlite): the "
                                   "table's columns could not "
                                   "be read: injected fault"));
        EXPECT_THAT(UrlsInTable(), ElementsAre("a", "b"));

        now += ResetRetrySchedule::PAUSE;
        EXPECT_TRUE(queue->Queue(TestHit::Make("after the pause")));
        EXPECT_THAT(UrlsInTable(), ElementsAre("a", "b", "after the pause"));
    }
}

// Nor does a column read that fails at open tell that the table differs from the schema: migrated, the
// table would keep only the columns that the migration's own check finds, none when that fails as well.
// It stays as it is, and the next open, whose read works, migrates it with its rows.
TEST_F(HitQueueResetPauseTest, AnOpenWhoseColumnReadFailsKeepsTheTableAsItIs) {
    for (const auto& failure : COLUMN_READ_FAILURES) {
        SCOPED_TRACE(failure.name);
        StartWithoutFile();
        auto old = databaseService->OpenDatabase("NVBMobileTest.sqlite");
        ASSERT_TRUE(old->CreateTable("TEST_HITS", {"ID", "URL", "OBSOLETE"},
                                     {Type::INTEGER, Type::TEXT, Type::TEXT},
                                     {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}}));
        ASSERT_TRUE(old->Insert("TEST_HITS", {{"URL", Variant::FromString("kept")}}));
        // The open makes the table when it is missing, then reads its columns.
        faulty->Faults().FailStatementOn("NVBMobileTest.sqlite", 2, failure.resultCode);
        MakeQueueOnTestClock();
        EXPECT_THAT(old->GetColumnNamesForTable("TEST_HITS"), ElementsAre("ID", "URL", "OBSOLETE"));
        EXPECT_THAT(UrlsInTable(), ElementsAre("kept"));

        MakeQueueOnTestClock();
        EXPECT_THAT(old->GetColumnNamesForTable("TEST_HITS"), ElementsAre("ID", "URL", "TIMESTAMP"));
        EXPECT_THAT(UrlsInTable(), ElementsAre("kept"));
    }
}

// A row the new table refuses sends the copy row by row; a row that fails there for any other reason (the
// disk is full) is no refusal: the copy fails whole and the reset with it, keeping the damaged file and
// every row, and the reset after the pause keeps each of them.
TEST_F(HitQueueResetPauseTest, ARowByRowCopyThatFindsTheDiskFullFailsWholeAndLosesNoHit) {
    WriteTableWithARepeatedIdentifier();
    auto queue = MakeQueueOnTestClock();
    // Each copy into the new file: drop, create, all rows (refused), begin, then a row each; the fourth
    // row, "c", finds the disk full in the first copy and in the one written again at once.
    for (const std::int64_t statement : {8, 16}) {
        faulty->Faults().FailStatementOn("NVBMobileTest.sqlite.salvage", statement, SQLITE_FULL);
    }
    ScopedCapturingLog log(LoggingMode::Error);
    queue->Reset();
    EXPECT_EQ(2u, CountErrorLinesContaining(log.Service(),
                                            "Unable to write the saved hits into "
                                            "NVBMobileTest.sqlite.salvage: injected fault"));
    EXPECT_EQ(0u, CountErrorLinesContaining(log.Service(), "Left out"));
    EXPECT_THAT(UrlsInTable(), ElementsAre("a", "b", "b again", "c"));

    now += ResetRetrySchedule::PAUSE;
    EXPECT_TRUE(queue->Queue(TestHit::Make("after the pause")));
    EXPECT_EQ(1u,
              CountErrorLinesContaining(
                  log.Service(), "Left out 1 saved hits of NVBMobileTest.sqlite that the new table refused"));
    EXPECT_THAT(UrlsInTable(), ElementsAre("a", AnyOf("b", "b again"), "c", "after the pause"));
}

TEST_F(HitQueueBaseTest, EmptyHitsAndIdentifiersAreRefusedWithoutAStatement) {
    auto queue = MakeQueue();
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_FALSE(queue->Queue(nullptr));
    EXPECT_TRUE(log.Service().Contains("Ignoring null hit"));
    EXPECT_FALSE(queue->UpdateHit(TestHit::Make("no identifier")));
    EXPECT_TRUE(log.Service().Contains("Unable to update hit with empty identifier"));
    EXPECT_FALSE(queue->DeleteHitWithIdentifier(""));
    EXPECT_TRUE(log.Service().Contains("Unable to delete hit with empty identifier"));
    EXPECT_EQ(nullptr, queue->QueryHit(nullptr));
    EXPECT_TRUE(log.Service().Contains("Invalid query (null)"));
    EXPECT_EQ(0, queue->GetSize(nullptr));
    EXPECT_FALSE(log.Service().Contains("resetting"));
}

TEST_F(HitQueueBaseTest, ASchemaWithoutFileNameLeavesTheQueueWithoutDatabase) {
    ScopedCapturingLog log(LoggingMode::Error);
    auto queue = MakeQueue(std::make_shared<TestHitSchema>(""));
    EXPECT_TRUE(log.Service().Contains("Database creation failed, invalid file path"));
    EXPECT_FALSE(queue->Queue(TestHit::Make("a")));
    EXPECT_TRUE(log.Service().Contains("Failed to query hit (database was null)"));
    EXPECT_EQ(0, queue->GetSize());
    EXPECT_TRUE(log.Service().Contains("Failed to get size for database at  (database was null)"));
    queue->Reset();
    EXPECT_FALSE(log.Service().Contains("Failed to replace the damaged database file"));
    EXPECT_FALSE(queue->Queue(TestHit::Make("still nothing")));
}

TEST_F(HitQueueBaseTest, AQueueWithoutPlatformServicesFailsSoftly) {
    auto queue = std::make_shared<TestHitQueue>(nullptr, std::make_shared<TestHitSchema>(), processor);
    EXPECT_FALSE(queue->Queue(TestHit::Make("a")));
    EXPECT_EQ(nullptr, queue->SelectOldestHit());
    EXPECT_TRUE(queue->Dispose(std::chrono::milliseconds(10)));
}

std::string InMemoryLine(const std::string& store, const std::string& cacheDir) {
    return "Cannot open " + store + " in " + cacheDir +
           "; its hits are kept in memory only, and are lost when the app ends";
}

// A folder that cannot be made or written would lose every hit: each store keeps its hits in memory and
// sends them, says so in one error line and no other, and makes no file.
TEST_F(HitQueueBaseTest, TheHitsOfAFolderThatCannotBeUsedAreKeptInMemoryAndSent) {
    folder.WriteFile("file", "a regular file");
    const struct {
        const char* name;
        std::string cacheDir;
    } unusableFolders[] = {
        {"below a regular file", folder.PathOf("file/sub")},
        {"missing", folder.PathOf("missing")},
    };
    for (const auto& unusable : unusableFolders) {
        SCOPED_TRACE(unusable.name);
        systemInfo->Update([&](FakeSystemInfoService::Answers& answers) {
            answers.applicationCacheDir = unusable.cacheDir;
        });
        databaseService = CreateNativeDatabaseService(systemInfo);
        ScopedCapturingLog log(LoggingMode::Trace);
        const auto threading = std::make_shared<HitQueueThreadingService>();
        std::vector<std::shared_ptr<TestHitQueue>> queues;
        for (const char* store : {"NVBMobileTest.sqlite", "NVBMobileOther.sqlite"}) {
            const auto sent = std::make_shared<TestHitProcessor>();
            queues.push_back(std::make_shared<TestHitQueue>(MakePlatformServices(threading),
                                                            std::make_shared<TestHitSchema>(store), sent));
            for (const char* url : {"a", "b", "c"}) {
                EXPECT_TRUE(queues.back()->Queue(TestHit::Make(url)));
            }
            EXPECT_EQ(3, queues.back()->GetSize());
            queues.back()->BringOnline();
            ASSERT_TRUE(threading->WaitUntilIdle());
            EXPECT_THAT(sent->ProcessedUrls(), ElementsAre("a", "b", "c"));
            EXPECT_EQ(0, queues.back()->GetSize());
        }
        EXPECT_THAT(log.Service().GetMessages(LoggingMode::Error),
                    ElementsAre(InMemoryLine("NVBMobileTest.sqlite", unusable.cacheDir),
                                InMemoryLine("NVBMobileOther.sqlite", unusable.cacheDir)));
    }
    EXPECT_EQ("a regular file", folder.ReadFile("file"));
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("missing")));
}

// For the life of the queue: a folder that becomes usable later gets no file, and the hits stay.
TEST_F(HitQueueBaseTest, AQueueKeptInMemoryStaysThereWhenItsFolderAppears) {
    systemInfo->Update([&](FakeSystemInfoService::Answers& answers) {
        answers.applicationCacheDir = folder.PathOf("later");
    });
    auto queue = MakeQueue();
    ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
    std::filesystem::create_directories(folder.PathOf("later"));
    EXPECT_TRUE(queue->OpenOrCreateDatabase());
    EXPECT_TRUE(queue->Queue(TestHit::Make("b")));
    EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("a", "b"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.PathOf("later")));
}

// The file of an earlier run that later runs cannot write (another user's, a read-only mount) is intact:
// its hits stay in it, unsent, and each reaches the server once, from the first run that can write it. Each
// run that cannot sends its own hits from memory, says so in one error line and no other, and leaves the
// file as it is.
TEST_F(HitQueueBaseTest, TheHitsOfAFileThatCannotBeWrittenAreSentOnceByTheFirstRunThatCan) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    constexpr int kUnwritableRuns = 3;
    const struct {
        const char* name;
        std::function<void()> refuseWrites;
        const char* reason;
    } unwritable[] = {
        {"a read-only file", [&] { disk.MakeFileReadOnly(folder.PathOf("NVBMobileTest.sqlite")); },
         "the file is read-only"},
        {"a read-only folder", [&] { disk.MakeFolderReadOnly(folder.Path()); },
         "its folder cannot be written"},
    };
    for (const auto& refused : unwritable) {
        SCOPED_TRACE(refused.name);
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directories(folder.Path());
        databaseService = CreateNativeDatabaseService(systemInfo);
        for (const char* url : {"a", "b"}) {
            ASSERT_TRUE(MakeQueue()->Queue(TestHit::Make(url)));
        }
        databaseService.reset();  // the earlier run's ended
        const std::string earlierFile = folder.ReadFile("NVBMobileTest.sqlite");
        refused.refuseWrites();

        std::vector<std::string> sent;
        // One run: a fresh service and queue, which store a hit of their own and send what they hold.
        const auto run = [&](const std::string& url) {
            databaseService = CreateNativeDatabaseService(systemInfo);
            const auto threading = std::make_shared<HitQueueThreadingService>();
            const auto processor = std::make_shared<TestHitProcessor>();
            auto queue = std::make_shared<TestHitQueue>(MakePlatformServices(threading),
                                                        std::make_shared<TestHitSchema>(), processor);
            EXPECT_TRUE(queue->Queue(TestHit::Make(url)));
            for (int kick = 0; kick < 3; ++kick) {
                queue->BringOnline();
                ASSERT_TRUE(threading->WaitUntilIdle());
            }
            EXPECT_EQ(0, queue->GetSize());
            const std::vector<std::string> urls = processor->ProcessedUrls();
            sent.insert(sent.end(), urls.begin(), urls.end());
            queue.reset();
            databaseService.reset();
        };
        for (int index = 0; index < kUnwritableRuns; ++index) {
            ScopedCapturingLog log(LoggingMode::Warning);
            run("run " + std::to_string(index));
            EXPECT_THAT(log.Service().GetMessages(LoggingMode::Error),
                        ElementsAre("Cannot write NVBMobileTest.sqlite in " + folder.Path() + ": " +
                                    refused.reason +
                                    "; this run's hits are kept in memory only, and are lost when the app "
                                    "ends; the stored ones stay in the file, unsent, for a launch that can "
                                    "write it"));
            EXPECT_THAT(log.Service().GetMessages(LoggingMode::Warning), ElementsAre());
            EXPECT_EQ(earlierFile, folder.ReadFile("NVBMobileTest.sqlite"));
            std::vector<std::string> files;
            for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
                files.push_back(entry.path().filename().string());
            }
            EXPECT_THAT(files, ElementsAre("NVBMobileTest.sqlite"));
        }
        disk.Clear();
        run("the run that can write");
        EXPECT_THAT(sent, ElementsAre("run 0", "run 1", "run 2", "a", "b", "the run that can write"));
    }
}

std::string UnwritableLine(const std::string& cacheDir, const std::string& reason) {
    return "Cannot write NVBMobileTest.sqlite in " + cacheDir + ": " + reason +
           "; this run's hits are kept in memory only, and are lost when the app ends; the stored ones stay in "
           "the file, unsent, for a launch that can write it";
}

// The stand-in of a file that cannot be opened for writing is the service's, under the file's name: the
// queue of a later core in the same process finds the hits the first one left in it, and sends them.
TEST_F(HitQueueBaseTest, ALaterQueueOfAFileThatCannotBeWrittenFindsTheHitsAnEarlierOneLeftInMemory) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    const struct {
        const char* name;
        std::function<void()> refuse;
    } unwritable[] = {
        {"a read-only file",
         [&] {
             folder.WriteFile("NVBMobileTest.sqlite", "");
             disk.MakeFileReadOnly(folder.PathOf("NVBMobileTest.sqlite"));
         }},
        {"a folder that cannot be made",
         [&] {
             folder.WriteFile("file", "a regular file");
             systemInfo->Update([&](FakeSystemInfoService::Answers& answers) {
                 answers.applicationCacheDir = folder.PathOf("file/sub");
             });
         }},
    };
    for (const auto& refused : unwritable) {
        SCOPED_TRACE(refused.name);
        databaseService = CreateNativeDatabaseService(systemInfo);
        refused.refuse();
        {
            auto first = MakeQueue();
            for (const char* url : {"a", "b"}) {
                ASSERT_TRUE(first->Queue(TestHit::Make(url)));
            }
            EXPECT_TRUE(first->Dispose(std::chrono::seconds(10)));
        }
        const auto threading = std::make_shared<HitQueueThreadingService>();
        const auto sent = std::make_shared<TestHitProcessor>();
        auto later = std::make_shared<TestHitQueue>(MakePlatformServices(threading), std::make_shared<TestHitSchema>(),
                                                    sent);
        EXPECT_EQ(2, later->GetSize());
        later->BringOnline();
        ASSERT_TRUE(threading->WaitUntilIdle());
        EXPECT_THAT(sent->ProcessedUrls(), ElementsAre("a", "b"));
        disk.Clear();
        systemInfo->Update([&](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = folder.Path(); });
    }
}

/**
 * A database service that hands back the database it first opened for a name on every later open, closed
 * or not: it leaves opening the file again to that database's own next statement. One thread only.
 */
class FirstDatabaseService : public Object, public virtual DatabaseServiceInterface {
public:
    explicit FirstDatabaseService(std::shared_ptr<DatabaseServiceInterface> target)
        : target_(std::move(target)) {}

    std::shared_ptr<DatabaseInterface> OpenDatabase(const std::string& fileName) override {
        std::shared_ptr<DatabaseInterface>& held = held_[fileName];
        if (!held) {
            held = target_->OpenDatabase(fileName);
        }
        return held;
    }
    std::shared_ptr<DatabaseInterface> OpenInMemoryDatabase(const std::string& fileName) override {
        return target_->OpenInMemoryDatabase(fileName);
    }
    bool DeleteDatabase(const std::string& fileName) override { return target_->DeleteDatabase(fileName); }
    bool ReplaceDatabase(const std::string& fileName, const std::string& replacement) override {
        return target_->ReplaceDatabase(fileName, replacement);
    }

private:
    const std::shared_ptr<DatabaseServiceInterface> target_;
    std::map<std::string, std::shared_ptr<DatabaseInterface>> held_;
};

// A file closed by the services' Dispose is opened again, by the next statement or the next open, as a first
// open opens it: its folder gone is made again, a file that cannot be written or a folder that cannot be
// made leaves the hits to the service's stand-in in memory (said in its one line), and a damaged file is
// replaced. A service that hands back the closed database leaves the opening to its next statement: when
// that cannot open the file, the open it starts meets the same closed database again and stops there, and
// the hits go to the stand-in. No hit is refused, and the queue of a later core finds them all.
TEST_F(HitQueueBaseTest, AQueueUsedAfterEveryDatabaseWasClosedOpensItsFileAsAFirstOpenDoes) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    systemInfo->Update([](FakeSystemInfoService::Answers& answers) { answers.makesApplicationCacheDir = true; });
    const std::string file = folder.PathOf("NVBMobileTest.sqlite");
    const auto makeFileReadOnly = [&] { disk.MakeFileReadOnly(file); };
    const auto replaceFolderByAFile = [&] {
        std::filesystem::remove_all(folder.Path());
        WriteFileBytes(folder.Path(), "a regular file");
    };
    const auto standInLine = [&] {
        return std::vector<std::string>{InMemoryLine("NVBMobileTest.sqlite", folder.Path())};
    };
    const struct {
        const char* name;
        std::function<void()> change;
        // Whether this run's hits are in the file; else they are in memory, and the file is as it was.
        bool inFile;
        std::function<std::vector<std::string>()> errors;
        // The service hands back the closed database (FirstDatabaseService), not opening it itself.
        bool handsBackClosed = false;
    } changes[] = {
        {"folder removed", [&] { std::filesystem::remove_all(folder.Path()); }, true,
         [] { return std::vector<std::string>(); }},
        {"file made read-only", makeFileReadOnly, false,
         [&] { return std::vector<std::string>{UnwritableLine(folder.Path(), "the file is read-only")}; }},
        {"folder replaced by a file", replaceFolderByAFile, false, standInLine},
        {"file damaged", [&] { WriteFileBytes(file, std::string(8192, '\xA7')); }, true,
         [] {
             return std::vector<std::string>{
                 "Unable to read from database.  Query failed with error file is not a database",
                 "Database in unrecoverable state, resetting."};
         }},
        {"file made read-only, the closed database handed back", makeFileReadOnly, false, standInLine, true},
        {"folder replaced by a file, the closed database handed back", replaceFolderByAFile, false,
         standInLine, true},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directories(folder.Path());
        const auto native =
            std::dynamic_pointer_cast<NativeDatabaseService>(CreateNativeDatabaseService(systemInfo));
        databaseService = change.handsBackClosed ? std::static_pointer_cast<DatabaseServiceInterface>(
                                                       std::make_shared<FirstDatabaseService>(native))
                                                 : native;
        auto queue = MakeQueue();
        ASSERT_TRUE(queue->Queue(TestHit::Make("earlier")));
        native->CloseEveryDatabase();
        change.change();
        const std::string before = ReadFileBytes(file);

        ScopedCapturingLog log(LoggingMode::Warning);
        std::vector<std::string> queued;
        for (int hit = 0; hit < 10; ++hit) {
            queued.push_back("hit " + std::to_string(hit));
            EXPECT_TRUE(queue->Queue(TestHit::Make(queued.back())));
        }
        // A later core's queue, over the same service.
        auto later = MakeQueue();
        queued.push_back("later");
        EXPECT_TRUE(later->Queue(TestHit::Make(queued.back())));
        EXPECT_EQ(11, later->GetSize());
        EXPECT_EQ(change.errors(), log.Service().GetMessages(LoggingMode::Error));
        if (change.inFile) {
            EXPECT_EQ(queued, UrlsInTable());
        } else {
            EXPECT_EQ(before, ReadFileBytes(file));
        }
        EXPECT_EQ(queued, TakeUrlsInTable(*later));
        disk.Clear();
        std::filesystem::remove_all(folder.Path());
    }
    std::filesystem::create_directories(folder.Path());
}

// Two queues over one file of one service: a reset by one leaves the other writing to the new file, and
// no row of either is lost.
TEST_F(HitQueueBaseTest, AResetByOneQueueLeavesTheOtherQueueOfItsFileWorkingOnTheNewFile) {
    auto first = MakeQueue();
    auto second = MakeQueue();
    ASSERT_TRUE(first->Queue(TestHit::Make("a")));
    ASSERT_TRUE(second->Queue(TestHit::Make("b")));
    ASSERT_TRUE(first->Queue(TestHit::Make("c")));
    first->Reset();
    EXPECT_TRUE(second->Queue(TestHit::Make("d")));
    EXPECT_EQ(4, first->GetSize());
    EXPECT_THAT(TakeUrlsInTable(*second), ElementsAre("a", "b", "c", "d"));
}

// The kept row count is the table's: each queue of the file tells it after the other's writes and resets.
TEST_F(HitQueueBaseTest, EachQueueOfAFileTellsTheSizeAfterTheOthersWrites) {
    auto first = MakeQueue();
    auto second = MakeQueue();
    EXPECT_EQ(0, first->GetSize());
    EXPECT_EQ(0, second->GetSize());
    const struct {
        const char* name;
        std::function<void()> write;
    } steps[] = {
        {"the first stores three hits",
         [&] {
             for (const char* url : {"a", "b", "c"}) {
                 ASSERT_TRUE(first->Queue(TestHit::Make(url)));
             }
         }},
        {"the second deletes one", [&] { ASSERT_TRUE(second->DeleteHitWithIdentifier("1")); }},
        {"the first resets", [&] { first->Reset(); }},
        {"the second stores one", [&] { ASSERT_TRUE(second->Queue(TestHit::Make("d"))); }},
        {"the first deletes every hit", [&] { ASSERT_TRUE(first->DeleteAllHits()); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.write();
        const auto rows = static_cast<std::int32_t>(UrlsInTable().size());
        EXPECT_EQ(rows, first->GetSize());
        EXPECT_EQ(rows, second->GetSize());
    }
}

class HitQueueInMemoryResetTest : public HitQueueBaseTest {
protected:
    HitQueueInMemoryResetTest() {
        folder.WriteFile("file", "a regular file");
        systemInfo->Update([this](FakeSystemInfoService::Answers& answers) {
            answers.applicationCacheDir = folder.PathOf("file/sub");
        });
    }

    /** A fresh service over the unusable folder, so no database in memory is left from before. */
    void UseFreshFaultInjectingService() {
        faulty = std::make_shared<FaultInjectingDatabaseService>(CreateNativeDatabaseService(systemInfo));
        databaseService = faulty;
    }

    std::shared_ptr<FaultInjectingDatabaseService> faulty;
};

// A reset has no file to salvage or rename, and may make none: the table is made again should it have
// gone, the rows stay, and the queue goes on taking hits.
TEST_F(HitQueueInMemoryResetTest, AResetInMemoryKeepsTheRowsAndTheQueueWorking) {
    const struct {
        const char* name;
        std::function<void(TestHitQueue&)> fail;
        std::vector<std::string> kept;
    } failures[] = {
        {"a damaged read",
         [this](TestHitQueue& queue) {
             faulty->Faults().FailNextStatements(SQLITE_CORRUPT);
             EXPECT_EQ(nullptr, queue.SelectOldestHit());
         },
         {"a", "b"}},
        {"a damaged write",
         [this](TestHitQueue& queue) {
             faulty->Faults().FailNextStatements(SQLITE_CORRUPT);
             EXPECT_FALSE(queue.Queue(TestHit::Make("refused")));
         },
         {"a", "b"}},
        {"a dropped table",
         [](TestHitQueue& queue) {
             ASSERT_TRUE(queue.DeleteTable());
             EXPECT_FALSE(queue.Queue(TestHit::Make("refused")));
         },
         {}},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        UseFreshFaultInjectingService();
        auto queue = MakeQueue();
        ASSERT_TRUE(queue->Queue(TestHit::Make("a")));
        ASSERT_TRUE(queue->Queue(TestHit::Make("b")));
        ScopedCapturingLog log(LoggingMode::Error);
        failure.fail(*queue);
        EXPECT_TRUE(log.Service().Contains("Database in unrecoverable state, resetting."));
        EXPECT_TRUE(queue->Queue(TestHit::Make("after")));
        std::vector<std::string> expected = failure.kept;
        expected.push_back("after");
        EXPECT_EQ(static_cast<std::int32_t>(expected.size()), queue->GetSize());
        EXPECT_EQ(expected, TakeUrlsInTable(*queue));
    }
    EXPECT_EQ("a regular file", folder.ReadFile("file"));
}

}  // namespace
}  // namespace NuvraMobile
