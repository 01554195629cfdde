// Throughput of the persistent hit queue on a write-ahead-log database with synchronous=FULL, where every
// stored hit is on disk before Queue returns:
// - BM_GroupCommit: hits stored by 1 and 5 threads calling Queue, against the same threads making one
//   autocommitted insert per hit on one connection (WAL, FULL) in the same folder, alternating in one run.
// - BM_DeliveryOnePerRequest: a worker sending each hit in its own request to a loopback HTTPS server and
//   deleting it without waiting for the disk, against the same worker waiting for the disk on every
//   deletion; also the worker thread's CPU time per hit of both. Each drain's hits are stored through
//   Queue beforehand, untimed.
// - BM_DrainAgainstKeptAliveConnection: the same worker's drain against the rate of one kept-alive
//   connection posting the same requests to the same server.
// - BM_HitQueueQueue, BM_HitQueueDrain, BM_PlainSqliteAutocommitInsert: absolute figures.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ReferenceRatio.h"
#include "SmokeRun.h"

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/QueryResultInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/database/Database.h"
#include "services/database/NativeDatabaseService.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NetworkTestSettings.h"
#include "shared/DatabaseHitSchema.h"
#include "shared/HitProcessor.h"
#include "shared/HitQueue.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/LoopbackHttpsServer.h"

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
BENCHMARK(BM_HitQueueQueue)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(MinTimeOrSmoke(2.0));

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
BENCHMARK(BM_HitQueueDrain)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(2.0));

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
BENCHMARK(BM_PlainSqliteAutocommitInsert)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(2.0));

// Runs `body(thread)` on `threads` threads at once and waits for them.
template <typename Body>
void OnThreads(int threads, Body body) {
    std::vector<std::thread> running;
    for (int thread = 0; thread < threads; ++thread) {
        running.emplace_back([&body, thread] { body(thread); });
    }
    for (auto& thread : running) {
        thread.join();
    }
}

// Today's way of storing a hit: one prepared, autocommitted insert on a shared WAL/FULL connection.
class AutocommitInserter {
public:
    explicit AutocommitInserter(const std::string& path) {
        sqlite3_open(path.c_str(), &connection_);
        sqlite3_exec(connection_,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE HITS(ID INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, URL TEXT, TIMESTAMP INTEGER)",
                     nullptr, nullptr, nullptr);
    }
    ~AutocommitInserter() { sqlite3_close(connection_); }
    AutocommitInserter(const AutocommitInserter&) = delete;
    AutocommitInserter& operator=(const AutocommitInserter&) = delete;

    bool Insert(int64_t timestamp) {
        std::lock_guard<std::mutex> lock(mutex_);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(connection_, "INSERT INTO HITS (TIMESTAMP, URL) VALUES (?, ?);", -1, &statement,
                           nullptr);
        sqlite3_bind_int64(statement, 1, timestamp);
        sqlite3_bind_text(statement, 2, HIT_URL.c_str(), -1, SQLITE_TRANSIENT);
        const bool inserted = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_finalize(statement);
        return inserted;
    }

private:
    std::mutex mutex_;
    sqlite3* connection_ = nullptr;
};

void BM_GroupCommit(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    constexpr int HITS_PER_THREAD = 20;
    FileSystemTestFolder folder;
    auto queue = std::make_shared<BenchQueue>(MakeServices(folder), std::make_shared<BenchSchema>(),
                                              std::make_shared<CountingProcessor>());
    AutocommitInserter reference(folder.PathOf("reference.sqlite"));
    std::atomic<bool> failed{false};
    RunAgainstReference(
        state, threads == 1 ? 0.95 : 3.0,
        [&] {
            OnThreads(threads, [&](int) {
                for (int i = 0; i < HITS_PER_THREAD; ++i) {
                    failed = !queue->Queue(MakeHit(i)) || failed;
                }
            });
        },
        [&] {
            OnThreads(threads, [&](int) {
                for (int i = 0; i < HITS_PER_THREAD; ++i) {
                    failed = !reference.Insert(i) || failed;
                }
            });
        });
    if (failed) {
        state.SkipWithError("an insert failed");
    }
    state.SetItemsProcessed(state.iterations() * threads * HITS_PER_THREAD);
}
BENCHMARK(BM_GroupCommit)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(MinTimeOrSmoke(3.0));

// A Database whose deletions all wait for the disk, as every deletion did before.
class SyncedDeletesDatabase : public Database {
public:
    using Database::Database;
    bool DeleteUnsynced(const std::string& table, const std::string& selection,
                        const std::vector<std::string>& selectionArgs) override {
        return Delete(table, selection, selectionArgs);
    }
};

class SyncedDeletesDatabaseService : public Object, public virtual DatabaseServiceInterface {
public:
    explicit SyncedDeletesDatabaseService(std::string directory) : directory_(std::move(directory)) {}
    std::shared_ptr<DatabaseInterface> OpenDatabase(const std::string& fileName) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!database_) {
            database_ = std::make_shared<SyncedDeletesDatabase>(fileName, directory_);
        }
        return database_;
    }
    // The bench measures the file: it has no stand-in in memory.
    std::shared_ptr<DatabaseInterface> OpenInMemoryDatabase(const std::string&) override { return nullptr; }
    bool DeleteDatabase(const std::string&) override { return false; }
    bool ReplaceDatabase(const std::string&, const std::string&) override { return false; }

private:
    const std::string directory_;
    std::mutex mutex_;
    std::shared_ptr<DatabaseInterface> database_;
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Posts each hit to the loopback server and adds up the worker thread's CPU time between its first and
// its last hit of a drain.
class PostingProcessor : public HitProcessor<BenchHit> {
public:
    PostingProcessor(std::shared_ptr<NetworkServiceInterface> network, std::string url)
        : network_(std::move(network)), url_(std::move(url)) {}

    HitProcessingResult Process(const std::shared_ptr<BenchHit>& hit) override {
        const double now = ThreadCpuSeconds();
        if (hit->timestamp == 0) {
            drainStart_ = now;
        } else if (hit->timestamp == lastOfDrain_) {
            cpuSeconds_ += now - drainStart_;
            cpuHits_ += lastOfDrain_;
        }
        auto connection = network_->ConnectUrl(url_, HttpCommandType::POST, hit->url,
                                               {{"Content-Type", "application/x-www-form-urlencoded"}}, 30, 30);
        return connection && connection->GetResponseCode() == 200 ? HitProcessingResult::DONE
                                                                   : HitProcessingResult::RETRY;
    }

    void SetDrainLength(int64_t hits) { lastOfDrain_ = hits - 1; }
    double CpuSecondsPerHit() const { return cpuHits_ > 0 ? cpuSeconds_ / static_cast<double>(cpuHits_) : 0; }

private:
    const std::shared_ptr<NetworkServiceInterface> network_;
    const std::string url_;
    int64_t lastOfDrain_ = 0;
    double drainStart_ = 0;
    double cpuSeconds_ = 0;
    int64_t cpuHits_ = 0;
};

// One queue, its worker on a counting executor so that a drain ends when the worker has emptied the table.
struct DeliveryQueue {
    DeliveryQueue(std::shared_ptr<DatabaseServiceInterface> databaseService,
                  const std::shared_ptr<SystemInfoServiceInterface>& systemInfo, const std::string& url)
        : databaseService(std::move(databaseService)),
          processor(std::make_shared<PostingProcessor>(CreateNativeNetworkService(systemInfo), url)),
          queue(std::make_shared<HitQueue<BenchHit, BenchSchema, PostingProcessor>>(
              MakeHitQueuePlatformServices(this->databaseService, systemInfo, threading),
              std::make_shared<BenchSchema>(), processor)) {}

    /** Stores `hits` hits through Queue, as a module does, as the next drain's work. */
    bool Store(int64_t hits) {
        processor->SetDrainLength(hits);
        for (int64_t i = 0; i < hits; ++i) {
            if (!queue->Queue(MakeHit(i))) {
                return false;
            }
        }
        return true;
    }

    /** Sends every stored row; true once the table is empty. */
    bool DrainStored() {
        queue->BringOnline();
        return threading->WaitForFinishedTasks(++drains) && queue->GetSize() == 0;
    }

    std::shared_ptr<DatabaseServiceInterface> databaseService;
    std::shared_ptr<HitQueueThreadingService> threading = std::make_shared<HitQueueThreadingService>();
    std::shared_ptr<PostingProcessor> processor;
    std::shared_ptr<HitQueue<BenchHit, BenchSchema, PostingProcessor>> queue;
    size_t drains = 0;
};

/** A loopback collector answering 200 to every request, trusted while it lives. */
struct TrustedCollector {
    TrustedCollector() {
        server.SetDefaultHandler([](const LoopbackRequest&) { return LoopbackResponse{200, {}, ""}; });
        NetworkTestSettings::SetTrustedCertificateAuthority(server.CertificateAuthorityPem());
    }
    ~TrustedCollector() { NetworkTestSettings::SetTrustedCertificateAuthority(""); }
    TrustedCollector(const TrustedCollector&) = delete;
    TrustedCollector& operator=(const TrustedCollector&) = delete;

    LoopbackHttpsServer server;
};

// A smoke run's time for a benchmark of drains: several drains, since a kept row count that has gone
// wrong shows only from the second one on.
constexpr double SMOKE_DRAINS_TIME = 0.1;

void BM_DeliveryOnePerRequest(benchmark::State& state) {
    constexpr int64_t HITS_PER_DRAIN = 50;
    TrustedCollector collector;
    LoopbackHttpsServer& server = collector.server;
    {
        FileSystemTestFolder ownFolder;
        FileSystemTestFolder referenceFolder;
        auto ownServices = MakeServices(ownFolder);
        DeliveryQueue own(ownServices->GetDatabaseService(), ownServices->GetSystemInfoService(), server.Url("/b"));
        DeliveryQueue reference(std::make_shared<SyncedDeletesDatabaseService>(referenceFolder.Path()),
                                ownServices->GetSystemInfoService(), server.Url("/b"));
        bool drained = true;
        RunAgainstReference(
            state, 2.5, [&] { drained = own.DrainStored() && drained; },
            [&] { drained = reference.DrainStored() && drained; },
            [&] { drained = own.Store(HITS_PER_DRAIN) && reference.Store(HITS_PER_DRAIN) && drained; });
        if (!drained) {
            state.SkipWithError("a drain did not finish");
        }
        const double ownCpu = own.processor->CpuSecondsPerHit();
        const double referenceCpu = reference.processor->CpuSecondsPerHit();
        state.counters["cpu_us_per_hit"] = ownCpu * 1e6;
        state.counters["cpu_us_per_hit_reference"] = referenceCpu * 1e6;
        // CPU per hit against the reference's: at most 1 is the target.
        state.counters["cpu_x_reference"] = referenceCpu > 0 ? ownCpu / referenceCpu : 0;
        state.counters["cpu_target_max"] = 1.0;
        state.SetItemsProcessed(state.iterations() * HITS_PER_DRAIN);
        own.queue->Dispose(std::chrono::seconds(10));
        reference.queue->Dispose(std::chrono::seconds(10));
    }
}
BENCHMARK(BM_DeliveryOnePerRequest)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(RealOrSmoke(3.0, SMOKE_DRAINS_TIME));

// Stored hits drained one per request against the wire's own rate: the same number of requests posted
// back to back over one kept-alive connection to the same server, with no database. Storing the hits is
// not timed. Target: at least half the wire's rate; the worker thread's CPU per hit is reported.
void BM_DrainAgainstKeptAliveConnection(benchmark::State& state) {
    constexpr int64_t HITS_PER_DRAIN = 50;
    TrustedCollector collector;
    LoopbackHttpsServer& server = collector.server;
    {
        FileSystemTestFolder folder;
        auto services = MakeServices(folder);
        DeliveryQueue own(services->GetDatabaseService(), services->GetSystemInfoService(), server.Url("/b"));
        auto wire = CreateNativeNetworkService(services->GetSystemInfoService());
        const std::string url = server.Url("/b");
        bool delivered = true;
        RunAgainstReference(
            state, 0.5, [&] { delivered = own.DrainStored() && delivered; },
            [&] {
                for (int64_t i = 0; i < HITS_PER_DRAIN; ++i) {
                    auto connection =
                        wire->ConnectUrl(url, HttpCommandType::POST, HIT_URL,
                                         {{"Content-Type", "application/x-www-form-urlencoded"}}, 30, 30);
                    delivered = connection && connection->GetResponseCode() == 200 && delivered;
                }
            },
            [&] { delivered = own.Store(HITS_PER_DRAIN) && delivered; });
        if (!delivered) {
            state.SkipWithError("a drain or a request did not finish");
        }
        state.counters["cpu_us_per_hit"] = own.processor->CpuSecondsPerHit() * 1e6;
        state.SetItemsProcessed(state.iterations() * HITS_PER_DRAIN);
        own.queue->Dispose(std::chrono::seconds(10));
        wire->Dispose(0);
    }
}
BENCHMARK(BM_DrainAgainstKeptAliveConnection)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(RealOrSmoke(3.0, SMOKE_DRAINS_TIME));

}  // namespace
}  // namespace NuvraMobile
