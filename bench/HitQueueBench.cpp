// Throughput of the persistent hit queue: hits stored by Queue (one autocommit insert each) and hits
// drained by a worker whose processor answers DONE at once, both on a write-ahead-log database with
// synchronous=FULL, so every stored hit is on disk before Queue returns. For reference, the same
// single-row autocommit insert straight on SQLite with its default settings (rollback journal,
// synchronous=FULL) on this machine.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Object.h"
#include "core/Variant.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/QueryResultInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "shared/DatabaseHitSchema.h"
#include "shared/HitProcessor.h"
#include "shared/HitQueue.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

const std::string HIT_URL =
    "https://measure.example.com/b/ss/suite/0/OIP-2.3.5/"
    "s12345678?AQB=1&ndh=1&pe=lnk_o&pev2=AMACTION:Tap&c.&a.&"
    "action=Tap&.a&.c&t=00/00/0000%2000:00:00%200%20-60&aamlh=6&ce=UTF-8&AQE=1";

// Only what the queue and the database service read: the cache folder and a connected network.
std::shared_ptr<PlatformServicesInterface> MakeServices(const FileSystemTestFolder& folder) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    systemInfo->Update([&folder](FakeSystemInfoService::Answers& answers) {
        answers.applicationCacheDir = folder.Path();
    });
    auto services = std::make_shared<FakePlatformServices>();
    services->systemInfoService = systemInfo;
    services->databaseService = CreateNativeDatabaseService(systemInfo);
    return services;
}

class BenchHit : public virtual DatabaseHitBase {
public:
    std::string url;
};

class BenchSchema : public DatabaseHitSchema<BenchHit> {
public:
    BenchSchema() {
        tableName = "BENCH_HITS";
        databaseName = "NVBMobileBench.sqlite";
        columnNames = {"ID", "URL", "TIMESTAMP"};
        columnDataTypes = {Type::INTEGER, Type::TEXT, Type::INTEGER};
        columnConstraints = {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}};
    }
    std::shared_ptr<BenchHit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) override {
        auto hit = std::make_shared<BenchHit>();
        hit->identifier = result->GetString(0);
        hit->url = result->GetString(1);
        hit->timestamp = result->GetLong(2);
        return hit;
    }
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<BenchHit>& hit) override {
        return {{"URL", Variant::FromString(hit->url)}, {"TIMESTAMP", Variant::FromLong(hit->timestamp)}};
    }
};

// Answers DONE at once and lets the benchmark wait for a number of processed hits.
class CountingProcessor : public HitProcessor<BenchHit> {
public:
    HitProcessingResult Process(const std::shared_ptr<BenchHit>&) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++processed_;
        }
        condition_.notify_all();
        return HitProcessingResult::DONE;
    }
    void WaitFor(int64_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [&] { return processed_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    int64_t processed_ = 0;
};

using BenchQueue = HitQueue<BenchHit, BenchSchema, CountingProcessor>;

std::shared_ptr<BenchHit> MakeHit(int64_t timestamp) {
    auto hit = std::make_shared<BenchHit>();
    hit->url = HIT_URL;
    hit->timestamp = timestamp;
    return hit;
}

void BM_HitQueueQueue(benchmark::State& state) {
    FileSystemTestFolder folder;
    auto queue =
        std::make_shared<BenchQueue>(MakeServices(folder),
                                     std::make_shared<BenchSchema>(), std::make_shared<CountingProcessor>());
    int64_t timestamp = 0;
    for (auto _ : state) {
        if (!queue->Queue(MakeHit(++timestamp))) {
            state.SkipWithError("Queue failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HitQueueQueue)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

void BM_HitQueueDrain(benchmark::State& state) {
    const int64_t batch = state.range(0);
    FileSystemTestFolder folder;
    auto processor = std::make_shared<CountingProcessor>();
    auto queue = std::make_shared<BenchQueue>(MakeServices(folder),
                                              std::make_shared<BenchSchema>(), processor);
    int64_t sent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int64_t i = 0; i < batch; ++i) {
            queue->Queue(MakeHit(i));
        }
        state.ResumeTiming();
        queue->BringOnline();
        sent += batch;
        processor->WaitFor(sent);
    }
    state.SetItemsProcessed(sent);
}
BENCHMARK(BM_HitQueueDrain)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The reference: one prepared, autocommitted single-row insert on SQLite's default settings.
void BM_PlainSqliteAutocommitInsert(benchmark::State& state) {
    FileSystemTestFolder folder;
    sqlite3* connection = nullptr;
    sqlite3_open(folder.PathOf("plain.sqlite").c_str(), &connection);
    sqlite3_exec(connection,
                 "CREATE TABLE HITS(ID INTEGER PRIMARY KEY AUTOINCREMENT, URL TEXT, TIMESTAMP INTEGER)",
                 nullptr, nullptr, nullptr);
    int64_t timestamp = 0;
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(connection, "INSERT INTO HITS (TIMESTAMP, URL) VALUES (?, ?);", -1, &statement,
                           nullptr);
        sqlite3_bind_int64(statement, 1, ++timestamp);
        sqlite3_bind_text(statement, 2, HIT_URL.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) != SQLITE_DONE) {
            state.SkipWithError("insert failed");
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(connection);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainSqliteAutocommitInsert)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace NuvraMobile
