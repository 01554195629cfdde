#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "services/database/NativeDatabaseService.h"
#include "core/values/Variant.h"
#include "shared/HitQueueBase.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "support/FaultInjectingDatabaseService.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAre;

// Generous bounds for waits that end on a signal; they only keep a broken test from hanging.
constexpr milliseconds WORKER_END_TIMEOUT{10000};
// How long a test watches a write that must wait meanwhile; one not held back ends in a few milliseconds.
constexpr milliseconds WRITE_HELD_BACK{100};

/** Answers the scripted results in order, then DONE. */
TestHitProcessor::Behaviour Script(std::vector<HitProcessingResult> results) {
    auto next = std::make_shared<std::atomic<size_t>>(0);
    return [results, next](const TestHit&) {
        size_t index = (*next)++;
        return index < results.size() ? results[index] : HitProcessingResult::DONE;
    };
}

class HitQueueConcurrencyTest : public HitQueueTestFixture {
protected:
    std::shared_ptr<TestHitQueue> MakeQueue(const std::shared_ptr<TestHitProcessor>& processor) {
        auto queue = std::make_shared<TestHitQueue>(MakePlatformServices(threading),
                                                    std::make_shared<TestHitSchema>(), processor);
        queue->SetRetryPauseForTesting(milliseconds(20));
        return queue;
    }

    void QueueUrls(TestHitQueue& queue, const std::vector<std::string>& urls) {
        for (const std::string& url : urls) {
            ASSERT_TRUE(queue.Queue(TestHit::Make(url)));
        }
    }

    /** A queue whose worker has answered RETRY for its one hit "a" and now pauses the full 30 s. */
    std::shared_ptr<TestHitQueue> QueueInRetryPause(std::shared_ptr<TestHitProcessor>& processor) {
        processor = std::make_shared<TestHitProcessor>(Script({HitProcessingResult::RETRY}));
        auto queue = MakeQueue(processor);
        queue->SetRetryPauseForTesting(HitQueueBase::DEFAULT_RETRY_PAUSE);
        QueueUrls(*queue, {"a"});
        queue->BringOnline();
        EXPECT_TRUE(processor->WaitForProcessed(1));
        return queue;
    }

    std::shared_ptr<HitQueueThreadingService> threading = std::make_shared<HitQueueThreadingService>();
};

TEST_F(HitQueueConcurrencyTest, ThreeHitsAreProcessedInInsertionOrderAndDeleted) {
    auto processor = std::make_shared<TestHitProcessor>();
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a", "b", "c"});
    queue->BringOnline();
    ASSERT_TRUE(processor->WaitForProcessed(3));
    ASSERT_TRUE(threading->WaitUntilIdle());  // the worker ends on its own, the table empty
    ASSERT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(0, queue->GetSize());
    EXPECT_THAT(threading->GetExecutorNames(), ElementsAre("HitQueueBase"));
}

TEST_F(HitQueueConcurrencyTest, RetryKeepsTheRowAndOffersTheSameHitAgainAfterThePause) {
    auto processor =
        std::make_shared<TestHitProcessor>(Script({HitProcessingResult::RETRY, HitProcessingResult::RETRY}));
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a", "b"});
    queue->BringOnline();
    ASSERT_TRUE(processor->WaitForProcessed(4));
    ASSERT_TRUE(threading->WaitUntilIdle());  // the worker ends on its own, the table empty
    ASSERT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a", "a", "a", "b"));
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(HitQueueConcurrencyTest, StopKeepsTheRowAndTheNextBringOnlineSendsTheSameHitFirst) {
    auto processor = std::make_shared<TestHitProcessor>(Script({HitProcessingResult::STOP}));
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a", "b"});
    queue->BringOnline();
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a"));
    EXPECT_EQ(2, queue->GetSize());
    queue->BringOnline();
    ASSERT_TRUE(threading->WaitForFinishedTasks(2));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a", "a", "b"));
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(HitQueueConcurrencyTest, SuspendStopsAfterTheHitInHand) {
    std::promise<void> suspended;
    std::shared_future<void> suspendedSignal = suspended.get_future().share();
    auto processor = std::make_shared<TestHitProcessor>([suspendedSignal](const TestHit&) {
        suspendedSignal.wait();
        return HitProcessingResult::DONE;
    });
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a", "b"});
    queue->BringOnline();
    ASSERT_TRUE(processor->WaitForProcessed(1));
    queue->Suspend();
    EXPECT_TRUE(queue->IsSuspended());
    suspended.set_value();
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a"));
    EXPECT_EQ(1, queue->GetSize());
    EXPECT_EQ("b", queue->SelectOldestHit()->url);
}

// Unlike a suspension, a disposal ends the worker with the hit in hand, and it takes no next hit. The hit
// keeps its row when its request may have been cut short (a stop before an abort) or was not done; a hit the
// server took while the queue was disposed is deleted, or the next launch would send it again.
struct DisposalCase {
    const char* name;
    bool stopBeforeAnAbort;
    HitProcessingResult answered;
    int rowsLeft;
};

void PrintTo(const DisposalCase& c, std::ostream* out) { *out << c.name; }

class HitQueueDisposalTest : public HitQueueConcurrencyTest, public ::testing::WithParamInterface<DisposalCase> {};

TEST_P(HitQueueDisposalTest, AHitInHandKeepsItsRowUnlessTheServerTookItAndNoOtherIsTaken) {
    Gate answer;
    auto processor = std::make_shared<TestHitProcessor>([&answer](const TestHit&) {
        answer.Hold();
        return GetParam().answered;
    });
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a", "b"});
    queue->BringOnline();
    ASSERT_TRUE(processor->WaitForProcessed(1));
    if (GetParam().stopBeforeAnAbort) {
        queue->StopSending();
    } else {
        queue->Dispose(milliseconds(0));
    }
    answer.Open();
    ASSERT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a"));
    EXPECT_EQ(GetParam().rowsLeft, queue->GetSize());
    EXPECT_EQ(GetParam().rowsLeft == 2 ? "a" : "b", queue->SelectOldestHit()->url);
}

INSTANTIATE_TEST_SUITE_P(
    Disposals, HitQueueDisposalTest,
    ::testing::Values(DisposalCase{"DisposedTaken", false, HitProcessingResult::DONE, 1},
                      DisposalCase{"DisposedToRetry", false, HitProcessingResult::RETRY, 2},
                      DisposalCase{"StoppedBeforeAnAbortTaken", true, HitProcessingResult::DONE, 2}),
    [](const ::testing::TestParamInfo<DisposalCase>& info) { return info.param.name; });

TEST_F(HitQueueConcurrencyTest, SuspensionOrNetworkLossEndsARetryPauseAndKeepsTheRow) {
    struct Case {
        const char* name;
        std::function<void(HitQueueBase&)> interrupt;
        std::function<void()> restore;
    };
    const Case cases[] = {
        {"suspend", [](HitQueueBase& queue) { queue.Suspend(); }, [] {}},
        {"network loss",
         [this](HitQueueBase&) { systemInfo->SetNetworkConnectionStatus(ConnectionStatus::DISCONNECTED); },
         [this] { systemInfo->SetNetworkConnectionStatus(ConnectionStatus::CONNECTED); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        threading = std::make_shared<HitQueueThreadingService>();
        std::shared_ptr<TestHitProcessor> processor;
        auto queue = QueueInRetryPause(processor);
        c.interrupt(*queue);
        ASSERT_TRUE(threading->WaitForFinishedTasks(1));
        EXPECT_EQ(1, queue->GetSize());
        c.restore();
        queue->BringOnline();
        ASSERT_TRUE(threading->WaitForFinishedTasks(2));
        EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("a", "a"));
        EXPECT_EQ(0, queue->GetSize());
    }
}

// The pause was for what the row said when it failed (its server, say): once every row is rewritten, the
// hit is read and offered again at once, whether the update came during the pause or while it was sent.
TEST_F(HitQueueConcurrencyTest, AnUpdateOfEveryRowEndsTheRetryPauseOfTheHitItRewrote) {
    for (const bool whileInHand : {false, true}) {
        SCOPED_TRACE(whileInHand ? "updated while the hit was in hand" : "updated during the pause");
        Gate inHand;
        Gate answer;
        auto calls = std::make_shared<std::atomic<int>>(0);
        auto processor = std::make_shared<TestHitProcessor>([&, calls](const TestHit&) {
            if ((*calls)++ != 0) {
                return HitProcessingResult::DONE;
            }
            if (whileInHand) {
                inHand.Open();
                answer.Hold();
            }
            return HitProcessingResult::RETRY;
        });
        auto queue = MakeQueue(processor);
        queue->SetRetryPauseForTesting(HitQueueBase::DEFAULT_RETRY_PAUSE);
        QueueUrls(*queue, {"old-server"});
        queue->BringOnline();
        ASSERT_TRUE(whileInHand ? inHand.Wait() : processor->WaitForProcessed(1));
        ASSERT_TRUE(queue->UpdateAllHits({{"URL", Variant::FromString("new-server")}}));
        answer.Open();
        ASSERT_TRUE(processor->WaitForProcessed(2));
        EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("old-server", "new-server"));
        EXPECT_TRUE(WaitUntil([&] { return queue->GetSize() == 0; }));
    }
}

TEST_F(HitQueueConcurrencyTest, NothingIsSentWhileTheNetworkIsNotConnected) {
    auto processor = std::make_shared<TestHitProcessor>();
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"waiting"});
    size_t runs = 0;
    for (ConnectionStatus status : {ConnectionStatus::DISCONNECTED, ConnectionStatus::UNKNOWN}) {
        systemInfo->SetNetworkConnectionStatus(status);
        queue->BringOnline();
        ASSERT_TRUE(threading->WaitForFinishedTasks(++runs));
        EXPECT_TRUE(processor->ProcessedUrls().empty());
        EXPECT_EQ(1, queue->GetSize());
    }
    systemInfo->SetNetworkConnectionStatus(ConnectionStatus::CONNECTED);
    queue->BringOnline();
    ASSERT_TRUE(threading->WaitForFinishedTasks(++runs));
    EXPECT_THAT(processor->ProcessedUrls(), ElementsAre("waiting"));
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(HitQueueConcurrencyTest, DisposeDuringARetryPauseReturnsPromptly) {
    std::shared_ptr<TestHitProcessor> processor;
    auto queue = QueueInRetryPause(processor);
    EXPECT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    EXPECT_EQ(1, queue->GetSize());
    queue->BringOnline();
    EXPECT_TRUE(queue->Dispose(milliseconds(10)));
    EXPECT_EQ(1u, processor->ProcessedUrls().size());
}

TEST_F(HitQueueConcurrencyTest, HitsQueuedWhileTheWorkerRunsAreSentInOrder) {
    auto processor = std::make_shared<TestHitProcessor>();
    auto queue = MakeQueue(processor);
    std::vector<std::string> urls;
    for (int i = 0; i < 50; ++i) {
        urls.push_back("hit-" + std::to_string(i));
    }
    std::thread producer([&] {
        for (const std::string& url : urls) {
            queue->Queue(TestHit::Make(url));
            queue->BringOnline();
        }
    });
    producer.join();
    ASSERT_TRUE(processor->WaitForProcessed(urls.size()));
    ASSERT_TRUE(threading->WaitUntilIdle());  // the worker ends on its own, the table empty
    ASSERT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    EXPECT_EQ(urls, processor->ProcessedUrls());
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(HitQueueConcurrencyTest, HitsFromManyProducersAreEachSentOnceInTheirProducersOrder) {
    constexpr int PRODUCERS = 4;
    constexpr int HITS_PER_PRODUCER = 20;
    auto processor = std::make_shared<TestHitProcessor>();
    auto queue = MakeQueue(processor);
    ASSERT_EQ(0, queue->GetSize());  // counted once: from here on the producers and the worker keep it
    std::vector<std::thread> producers;
    for (int p = 0; p < PRODUCERS; ++p) {
        producers.emplace_back([&queue, p] {
            for (int i = 0; i < HITS_PER_PRODUCER; ++i) {
                EXPECT_TRUE(queue->Queue(TestHit::Make(std::to_string(p) + "/" + std::to_string(i))));
                queue->BringOnline();
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    ASSERT_TRUE(processor->WaitForProcessed(PRODUCERS * HITS_PER_PRODUCER));
    ASSERT_TRUE(threading->WaitUntilIdle());  // the worker ends on its own, the table empty
    ASSERT_TRUE(queue->Dispose(WORKER_END_TIMEOUT));
    std::vector<int> nextOfProducer(PRODUCERS, 0);
    for (const std::string& url : processor->ProcessedUrls()) {
        int producer = std::stoi(url.substr(0, url.find('/')));
        EXPECT_EQ(std::to_string(producer) + "/" + std::to_string(nextOfProducer[producer]++), url);
    }
    EXPECT_EQ(std::vector<int>(PRODUCERS, HITS_PER_PRODUCER), nextOfProducer);
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(HitQueueConcurrencyTest, TheLastOwnerMayGoAwayWhileTheWorkerHoldsAHit) {
    std::promise<void> released;
    std::shared_future<void> releasedSignal = released.get_future().share();
    std::promise<void> destroyed;
    std::future<void> destroyedSignal = destroyed.get_future();
    auto processor = std::make_shared<TestHitProcessor>(
        [releasedSignal](const TestHit&) {
            releasedSignal.wait();
            return HitProcessingResult::DONE;
        },
        [&destroyed] { destroyed.set_value(); });
    auto queue = MakeQueue(processor);
    QueueUrls(*queue, {"a"});
    queue->BringOnline();
    // Once the hit is in hand, the worker run holds an owner of the queue (and so of the processor).
    ASSERT_TRUE(processor->WaitForProcessed(1));
    processor.reset();
    std::weak_ptr<TestHitQueue> watcher = queue;
    queue.reset();
    released.set_value();
    EXPECT_EQ(std::future_status::ready, destroyedSignal.wait_for(WORKER_END_TIMEOUT));
    EXPECT_TRUE(watcher.expired());
}

class HitQueueGroupCommitTest : public HitQueueConcurrencyTest {
protected:
    HitQueueGroupCommitTest() { databaseService = faulty; }

    /**
     * Holds the insert of "first" in its commit while `late` callers arrive and wait, lets `beforeRelease`
     * plan faults, then releases it; what each Queue returned, "first" first.
     */
    std::vector<bool> QueueDuringACommit(TestHitQueue& queue, const std::vector<std::string>& late,
                                         const std::function<void()>& beforeRelease) {
        faulty->Faults().HoldNextStatement();
        auto first = std::async(std::launch::async, [&] { return queue.Queue(TestHit::Make("first")); });
        faulty->Faults().WaitForHeldStatement();
        std::vector<std::future<bool>> waiting;
        for (const std::string& url : late) {
            waiting.push_back(std::async(std::launch::async, [&queue, url] { return queue.Queue(TestHit::Make(url)); }));
        }
        queue.WaitForQueuedCallersForTesting(late.size());
        beforeRelease();
        faulty->Faults().ReleaseHeldStatement();
        std::vector<bool> results{first.get()};
        for (auto& result : waiting) {
            results.push_back(result.get());
        }
        return results;
    }

    std::shared_ptr<FaultInjectingDatabaseService> faulty =
        std::make_shared<FaultInjectingDatabaseService>(databaseService);
};

TEST_F(HitQueueGroupCommitTest, CallersArrivingDuringACommitShareTheNextOne) {
    auto queue = MakeQueue(std::make_shared<TestHitProcessor>());
    ASSERT_EQ(0, queue->GetSize());
    const std::int64_t before = faulty->Faults().StatementCount();
    EXPECT_THAT(QueueDuringACommit(*queue, {"b", "c", "d"}, [] {}), ElementsAre(true, true, true, true));
    EXPECT_EQ(2, faulty->Faults().StatementCount() - before);
    EXPECT_EQ(4, queue->GetSize());
    std::vector<std::string> urls = TakeUrlsInTable(*queue);
    ASSERT_EQ(4u, urls.size());
    EXPECT_EQ("first", urls[0]);
    EXPECT_THAT(std::vector<std::string>(urls.begin() + 1, urls.end()),
                ::testing::UnorderedElementsAre("b", "c", "d"));
}

// The failed group's rows are all missing and its callers all told so; the commit before it, the rows
// stored earlier and the callers after it are untouched, whether the failure passes or resets the file.
// A failure that resets the file is not the group's: its rows are written again into the new file.
TEST_F(HitQueueGroupCommitTest, AFailedGroupCommitFailsExactlyItsCallers) {
    struct Fault {
        int resultCode;
        bool resets;
    };
    for (const Fault fault :
         {Fault{SQLITE_FULL, false}, Fault{SQLITE_IOERR, false}, Fault{SQLITE_CORRUPT, true}}) {
        SCOPED_TRACE(fault.resultCode);
        auto queue = MakeQueue(std::make_shared<TestHitProcessor>());
        ASSERT_TRUE(queue->Queue(TestHit::Make("stored")));
        EXPECT_THAT(QueueDuringACommit(*queue, {"b", "c"},
                                       [&] { faulty->Faults().FailNextStatements(fault.resultCode); }),
                    ElementsAre(true, fault.resets, fault.resets));
        EXPECT_TRUE(queue->Queue(TestHit::Make("after")));
        if (fault.resets) {
            // b and c join the group in the order in which their threads arrive.
            EXPECT_THAT(TakeUrlsInTable(*queue), UnorderedElementsAre("stored", "first", "b", "c", "after"));
        } else {
            EXPECT_THAT(TakeUrlsInTable(*queue), ElementsAre("stored", "first", "after"));
        }
        faulty->Faults().Clear();
    }
}

// One write of each kind on a queue holding "a" (identifier 1, the first of a new table) and "b", and the
// URLs the table holds after it.
struct WriteCase {
    const char* name;
    std::function<bool(TestHitQueue&)> write;
    std::vector<std::string> urlsAfter;
};

std::ostream& operator<<(std::ostream& stream, const WriteCase& write) { return stream << write.name; }

std::shared_ptr<TestHit> FirstHitWithUrl(const std::string& url) {
    auto hit = TestHit::Make(url);
    hit->identifier = "1";
    return hit;
}

class HitQueueWriteMeetingAResetTest : public HitQueueGroupCommitTest, public testing::WithParamInterface<WriteCase> {
protected:
    /** A queue holding "a" and "b" whose row count is kept, not counted when next asked. */
    std::shared_ptr<TestHitQueue> QueueHoldingTwoHits() {
        auto queue = MakeQueue(std::make_shared<TestHitProcessor>());
        QueueUrls(*queue, {"a", "b"});
        EXPECT_EQ(2, queue->GetSize());
        return queue;
    }

    void ExpectTheWriteKept(TestHitQueue& queue) {
        EXPECT_THAT(UrlsInTable(), ElementsAreArray(GetParam().urlsAfter));
        EXPECT_EQ(static_cast<std::int32_t>(GetParam().urlsAfter.size()), queue.GetSize());
    }
};

// A reset on another thread holds the write lock from reading the old file's rows to renaming the new
// file over it. A write that comes meanwhile waits for it and lands in the new file: not in the old one
// after its rows were read (the rename drops it), nor on the old file's closed connection.
TEST_P(HitQueueWriteMeetingAResetTest, AWriteDuringAResetOnAnotherThreadHoldsAfterIt) {
    auto queue = QueueHoldingTwoHits();
    faulty->Faults().HoldNextStatementOn("NVBMobileTest.sqlite.salvage");
    auto reset = std::async(std::launch::async, [&] { queue->Reset(); });
    faulty->Faults().WaitForHeldStatement();
    auto written = std::async(std::launch::async, [&] { return GetParam().write(*queue); });
    faulty->Faults().ReleaseHeldStatement();
    reset.get();
    EXPECT_TRUE(written.get());
    ExpectTheWriteKept(*queue);
}

// A second queue over the file (through the same service) shares the write lock: its write waits for the
// first queue's reset as well. Not held back, it would end well within WRITE_HELD_BACK, in the old file
// after its rows were read, and the rename would drop it.
TEST_P(HitQueueWriteMeetingAResetTest, AWriteByAnotherQueueOfTheFileDuringAResetHoldsAfterIt) {
    auto resetting = QueueHoldingTwoHits();
    auto writing = MakeQueue(std::make_shared<TestHitProcessor>());
    faulty->Faults().HoldNextStatementOn("NVBMobileTest.sqlite.salvage");
    auto reset = std::async(std::launch::async, [&] { resetting->Reset(); });
    faulty->Faults().WaitForHeldStatement();
    auto written = std::async(std::launch::async, [&] { return GetParam().write(*writing); });
    EXPECT_EQ(std::future_status::timeout, written.wait_for(WRITE_HELD_BACK));
    faulty->Faults().ReleaseHeldStatement();
    reset.get();
    EXPECT_TRUE(written.get());
    ExpectTheWriteKept(*writing);
    EXPECT_EQ(writing->GetSize(), resetting->GetSize());
}

// The write's own statement finds the file damaged: the reset carries the rows over, and the write runs
// again on the new file.
TEST_P(HitQueueWriteMeetingAResetTest, AWriteWhoseStatementResetsTheFileRunsAgainOnTheNewOne) {
    auto queue = QueueHoldingTwoHits();
    ScopedCapturingLog log(LoggingMode::Error);
    faulty->Faults().FailNextStatements(SQLITE_CORRUPT);
    EXPECT_TRUE(GetParam().write(*queue));
    EXPECT_TRUE(log.Service().Contains("Database in unrecoverable state, resetting."));
    ExpectTheWriteKept(*queue);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, HitQueueWriteMeetingAResetTest,
    testing::Values(
        WriteCase{"Insert", [](TestHitQueue& queue) { return queue.Queue(TestHit::Make("c")); }, {"a", "b", "c"}},
        WriteCase{"Delete", [](TestHitQueue& queue) { return queue.DeleteHitWithIdentifier("1"); }, {"b"}},
        WriteCase{"Update", [](TestHitQueue& queue) { return queue.UpdateHit(FirstHitWithUrl("a again")); },
                  {"a again", "b"}},
        WriteCase{"UpdateAll",
                  [](TestHitQueue& queue) { return queue.UpdateAllHits({{"URL", Variant::FromString("all")}}); },
                  {"all", "all"}},
        WriteCase{"DeleteAll", [](TestHitQueue& queue) { return queue.DeleteAllHits(); }, {}}),
    testing::PrintToStringParamName());

}  // namespace
}  // namespace NuvraMobile
