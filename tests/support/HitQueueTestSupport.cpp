#include "support/HitQueueTestSupport.h"

#include <fstream>
#include <utility>

#include "core/values/Variant.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "support/FakePlatformServices.h"

namespace NuvraMobile {

using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

std::shared_ptr<TestHit> TestHit::Make(const std::string& url, std::int64_t timestamp) {
    auto hit = std::make_shared<TestHit>();
    hit->url = url;
    hit->timestamp = timestamp;
    return hit;
}

TestHitSchema::TestHitSchema(const std::string& databaseName) {
    tableName = "TEST_HITS";
    this->databaseName = databaseName;
    columnNames = {"ID", "URL", "TIMESTAMP"};
    columnDataTypes = {Type::INTEGER, Type::TEXT, Type::INTEGER};
    columnConstraints = {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}};
}

std::shared_ptr<TestHit> TestHitSchema::GenerateHit(const std::shared_ptr<QueryResultInterface>& result) {
    auto hit = std::make_shared<TestHit>();
    hit->identifier = result->GetString(0);
    hit->url = result->GetString(1);
    hit->timestamp = result->IsNull(2) ? 0 : result->GetLong(2);
    return hit;
}

std::map<std::string, std::shared_ptr<Variant>> TestHitSchema::GenerateDataMap(
    const std::shared_ptr<TestHit>& hit) {
    if (!hit) {
        return {};
    }
    return {{"URL", Variant::FromString(hit->url)}, {"TIMESTAMP", Variant::FromLong(hit->timestamp)}};
}

TestHitProcessor::TestHitProcessor(Behaviour behaviour, std::function<void()> onDestroyed)
    : behaviour_(std::move(behaviour)), onDestroyed_(std::move(onDestroyed)) {}

TestHitProcessor::~TestHitProcessor() {
    if (onDestroyed_) {
        onDestroyed_();
    }
}

HitProcessingResult TestHitProcessor::Process(const std::shared_ptr<TestHit>& hit) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        urls_.push_back(hit ? hit->url : "<empty>");
    }
    condition_.notify_all();
    return behaviour_ && hit ? behaviour_(*hit) : HitProcessingResult::DONE;
}

std::vector<std::string> TestHitProcessor::ProcessedUrls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return urls_;
}

bool TestHitProcessor::WaitForProcessed(size_t count) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return condition_.wait_for(lock, std::chrono::seconds(10), [&] { return urls_.size() >= count; });
}

namespace {
// Runs every task on a one-thread executor and reports each task it takes and each it finished; a task it
// could not take is reported finished, as it will never run.
class CountingTaskExecutor : public Object, public virtual TaskExecutorInterface {
public:
    CountingTaskExecutor(std::function<void()> onTaskAdded, std::function<void()> onTaskFinished)
        : inner_(TaskExecutorInterface::CreateFixedThreaded(1)),
          onTaskAdded_(std::move(onTaskAdded)),
          onTaskFinished_(std::move(onTaskFinished)) {}

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override {
        auto onTaskFinished = onTaskFinished_;
        onTaskAdded_();
        const bool added = inner_->AddTask(
            [task = std::move(task), onTaskFinished] {
                task();
                onTaskFinished();
            },
            std::move(errorCallback), name);
        if (!added) {
            onTaskFinished_();
        }
        return added;
    }
    bool DisposeImpl(std::chrono::milliseconds timeout) override { return inner_->Dispose(timeout); }
    bool IsDisposed() override { return inner_->IsDisposed(); }

private:
    const std::shared_ptr<TaskExecutorInterface> inner_;
    const std::function<void()> onTaskAdded_;
    const std::function<void()> onTaskFinished_;
};
}  // namespace

std::shared_ptr<TaskExecutorInterface> HitQueueThreadingService::CreateSequentialTaskExecutor(
    const std::string& name) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        executorNames_.push_back(name);
    }
    std::weak_ptr<Object> owner = weak_from_this();
    const auto count = [owner](bool finished) {
        if (auto service = std::static_pointer_cast<HitQueueThreadingService>(owner.lock())) {
            service->Count(finished);
        }
    };
    return std::make_shared<CountingTaskExecutor>([count] { count(false); }, [count] { count(true); });
}

std::shared_ptr<TaskExecutorInterface> HitQueueThreadingService::CreateParallelTaskExecutor(
    const std::string& name) {
    return CreateSequentialTaskExecutor(name);
}

void HitQueueThreadingService::Count(bool finished) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++(finished ? finishedTasks_ : addedTasks_);
    }
    condition_.notify_all();
}

bool HitQueueThreadingService::WaitForFinishedTasks(size_t count) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return condition_.wait_for(lock, std::chrono::seconds(10), [&] { return finishedTasks_ >= count; });
}

bool HitQueueThreadingService::WaitUntilIdle() const {
    std::unique_lock<std::mutex> lock(mutex_);
    return condition_.wait_for(lock, std::chrono::seconds(10), [&] { return finishedTasks_ >= addedTasks_; });
}

std::vector<std::string> HitQueueThreadingService::GetExecutorNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return executorNames_;
}

std::shared_ptr<PlatformServicesInterface> MakeHitQueuePlatformServices(
    std::shared_ptr<DatabaseServiceInterface> databaseService,
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
    std::shared_ptr<ThreadingServiceInterface> threadingService) {
    auto services = std::make_shared<FakePlatformServices>();
    services->databaseService = std::move(databaseService);
    services->systemInfoService = std::move(systemInfoService);
    services->threadingService = std::move(threadingService);
    return services;
}

std::vector<std::string> TakeUrlsInTable(TestHitQueue& queue) {
    std::vector<std::string> urls;
    while (auto hit = queue.SelectOldestHit()) {
        urls.push_back(hit->url);
        queue.DeleteHitWithIdentifier(hit->identifier);
    }
    return urls;
}

void DamagePages(const std::string& path, int first, int count) {
    constexpr int pageSize = 4096;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(first) * pageSize);
    const std::string garbage(static_cast<size_t>(count) * pageSize, '\x5A');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

HitQueueTestFixture::HitQueueTestFixture() {
    systemInfo->Update(
        [this](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = folder.Path(); });
    databaseService = CreateNativeDatabaseService(systemInfo);
}

std::shared_ptr<PlatformServicesInterface> HitQueueTestFixture::MakePlatformServices(
    std::shared_ptr<ThreadingServiceInterface> threading) const {
    return MakeHitQueuePlatformServices(databaseService, systemInfo, std::move(threading));
}

std::vector<std::string> HitQueueTestFixture::UrlsInTable() const {
    const TestHitSchema schema;
    std::vector<std::string> urls;
    const auto result = databaseService->OpenDatabase(schema.GetDatabaseName())
                            ->RunQuery(QueryBuilder(schema.GetTableName(), {"URL"}).OrderBy("ID ASC").Build());
    for (std::int32_t row = 0; row < result->GetCount(); ++row) {
        row == 0 ? result->MoveToFirst() : result->MoveToNext();
        urls.push_back(result->GetString(0));
    }
    return urls;
}

void HitQueueTestFixture::InsertHitRows(int hits) {
    auto schema = std::make_shared<TestHitSchema>();
    TestHitQueue(MakePlatformServices(), schema, std::make_shared<TestHitProcessor>());  // creates the table
    std::vector<DatabaseInterface::ColumnValues> rows;
    for (int index = 0; index < hits; ++index) {
        rows.push_back({{"URL", Variant::FromString(std::to_string(index) + std::string(200, '.'))},
                        {"TIMESTAMP", Variant::FromInteger(0)}});
    }
    ASSERT_TRUE(databaseService->OpenDatabase(schema->GetDatabaseName())->InsertRows(schema->GetTableName(), rows));
}

}  // namespace NuvraMobile
