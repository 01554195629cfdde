#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/ThreadingServiceInterface.h"
#include "shared/DatabaseHitBase.h"
#include "shared/DatabaseHitSchema.h"
#include "shared/HitProcessor.h"
#include "shared/HitQueue.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {

class DatabaseServiceInterface;

/** A hit with one field of its own, stored in the "URL" column. */
class TestHit : public virtual DatabaseHitBase {
public:
    static std::shared_ptr<TestHit> Make(const std::string& url, std::int64_t timestamp = 0);

    std::string url;
};

/** The table "TEST_HITS" (ID, URL, TIMESTAMP) in the given file. */
class TestHitSchema : public DatabaseHitSchema<TestHit> {
public:
    explicit TestHitSchema(const std::string& databaseName = "NVBMobileTest.sqlite");

    std::shared_ptr<TestHit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) override;
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<TestHit>& hit) override;
};

/**
 * Records the URL of every hit it is given, then answers what `behaviour` answers (DONE without
 * one). Thread-safe; tests wait on it instead of sleeping.
 */
class TestHitProcessor : public HitProcessor<TestHit> {
public:
    using Behaviour = std::function<HitProcessingResult(const TestHit&)>;

    explicit TestHitProcessor(Behaviour behaviour = nullptr, std::function<void()> onDestroyed = nullptr);
    ~TestHitProcessor() override;

    HitProcessingResult Process(const std::shared_ptr<TestHit>& hit) override;

    std::vector<std::string> ProcessedUrls() const;
    /** Waits, at most 10 s, until `count` hits have been handed over; false when they never came. */
    bool WaitForProcessed(size_t count) const;

private:
    const Behaviour behaviour_;
    const std::function<void()> onDestroyed_;
    mutable std::mutex mutex_;
    mutable std::condition_variable condition_;
    std::vector<std::string> urls_;
};

using TestHitQueue = HitQueue<TestHit, TestHitSchema, TestHitProcessor>;

/** Takes every row out of the queue's table, oldest first; their URLs. */
std::vector<std::string> TakeUrlsInTable(TestHitQueue& queue);

/** Overwrites `count` pages of the database file from page `first` (counted from 0) with garbage. */
void DamagePages(const std::string& path, int first, int count);

/**
 * A threading service whose executors are one-thread executors that count the tasks they were given and
 * have finished, so a test can wait until a queue's worker has ended on its own, or until no worker that
 * was started is left to run. Thread-safe.
 */
class HitQueueThreadingService : public Object, public virtual ThreadingServiceInterface {
public:
    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) override;
    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) override;

    /** Waits, at most 10 s, until `count` tasks have finished; false when they never did. */
    bool WaitForFinishedTasks(size_t count) const;
    /** Waits, at most 10 s, until every task given so far has finished; false when one never did. */
    bool WaitUntilIdle() const;
    /** The names asked for, in order. */
    std::vector<std::string> GetExecutorNames() const;

private:
    /** Counts one task given, or one finished. */
    void Count(bool finished);

    mutable std::mutex mutex_;
    mutable std::condition_variable condition_;
    size_t addedTasks_ = 0;
    size_t finishedTasks_ = 0;
    std::vector<std::string> executorNames_;
};

/** Platform services that hand out a database, a system-info and optionally a threading service. */
std::shared_ptr<PlatformServicesInterface> MakeHitQueuePlatformServices(
    std::shared_ptr<DatabaseServiceInterface> databaseService,
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
    std::shared_ptr<ThreadingServiceInterface> threadingService = nullptr);

/** A temporary cache folder with a system-info service (connected) and a database service over it. */
class HitQueueTestFixture : public ::testing::Test {
protected:
    HitQueueTestFixture();

    /** Platform services over the fixture's services, with `threading` when given. */
    std::shared_ptr<PlatformServicesInterface> MakePlatformServices(
        std::shared_ptr<ThreadingServiceInterface> threading = nullptr) const;
    /** Creates the table of TestHitSchema and writes `hits` rows ("<n>" and 200 dots) in one transaction. */
    void InsertHitRows(int hits);
    /** The URLs in the table of TestHitSchema, oldest first, read without changing the file. */
    std::vector<std::string> UrlsInTable() const;

    FileSystemTestFolder folder;
    std::shared_ptr<FakeSystemInfoService> systemInfo = std::make_shared<FakeSystemInfoService>();
    std::shared_ptr<DatabaseServiceInterface> databaseService;
};

}  // namespace NuvraMobile
