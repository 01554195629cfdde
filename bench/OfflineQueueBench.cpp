// Offline queueing through the whole road of an app: tracks (10 context keys) made as fast as the caller
// can while the network is down and offline tracking holds every hit (batch limit above the hits made),
// until the module has stored them all. The collector is one the SDK accepts, so every stored hit carries
// its server and is followed by the check of the queue's size against the batch limit (the run fails when
// a stored hit carries none); the work per hit must not grow with the queue:
// - cpu_us_per_hit_1000 / _10000: the process's CPU time per hit over a run of 1,000 and of 10,000 hits
//   from an empty queue; "x_1000" is their ratio (target at most 1.2).
// - peak_rss_mb: the process's peak resident memory, reached during the 10,000-hit run (target 20 MB);
//   peak_rss_mb_before_tracking: the same once the core has started.
// In its own program, so that no other benchmark's memory counts in the peak.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>

#include "SmokeRun.h"
#include "TrackEnvironment.h"
#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "services/database/Database.h"
#include "services/system/Reachability.h"

namespace NuvraMobile {
namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The stored hits that carry a server, read through a connection of its own.
std::int64_t HitsWithServer(const TrackEnvironment& environment) {
    using Schema = AnalyticsDatabaseHitSchema;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(environment.AppFolderRoot())) {
        if (entry.path().filename() == Schema::ANALYTICS_DB_NAME) {
            Database database(Schema::ANALYTICS_DB_NAME, entry.path().parent_path().string());
            return database.CountRows(Schema::ANALYTICS_TABLE_NAME, std::string(Schema::HIT_SERVER_COL_NAME) + " != ''",
                                      {});
        }
    }
    return 0;
}

// Tracks `hits` hits into an emptied queue; the CPU seconds per hit until all are stored, or 0 when not
// all were stored, each with its server.
double CpuPerQueuedHit(TrackEnvironment& environment, const std::shared_ptr<EventData>& data, int hits) {
    environment.Clear();
    const double start = ProcessCpuSeconds();
    for (int hit = 0; hit < hits; ++hit) {
        environment.core->Track(data);
    }
    const std::int64_t stored = environment.QueueSize();
    const double seconds = ProcessCpuSeconds() - start;
    return stored == hits && HitsWithServer(environment) == hits ? seconds / hits : 0;
}

void BM_OfflineQueueing(benchmark::State& state) {
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    TrackEnvironment environment({{"analytics.server", Variant::FromString("collector.example.com")},
                                  {"analytics.offlineEnabled", Variant::FromBoolean(true)},
                                  {"analytics.batchLimit", Variant::FromInteger(1000000)}});
    auto data = std::make_shared<EventData>();
    data->PutString("action", "AddToCart");
    data->PutString("state", "Product page");
    data->PutStringMap("contextdata", ContextData(10));
    const double startRss = PeakResidentMegabytes();
    double perHitAt1000 = 0;
    double perHitAt10000 = 0;
    for (auto _ : state) {
        perHitAt1000 = CpuPerQueuedHit(environment, data, RealOrSmoke(1000, 100));
        perHitAt10000 = CpuPerQueuedHit(environment, data, RealOrSmoke(10000, 1000));
        if (perHitAt1000 == 0 || perHitAt10000 == 0) {
            state.SkipWithError("a hit was not stored, or was stored without its server");
        }
    }
    state.counters["cpu_us_per_hit_1000"] = perHitAt1000 * 1e6;
    state.counters["cpu_us_per_hit_10000"] = perHitAt10000 * 1e6;
    state.counters["x_1000"] = perHitAt1000 > 0 ? perHitAt10000 / perHitAt1000 : 0;
    state.counters["x_1000_target_max"] = 1.2;
    state.counters["peak_rss_mb"] = PeakResidentMegabytes();
    state.counters["peak_rss_mb_target_max"] = 20;
    state.counters["peak_rss_mb_before_tracking"] = startRss;
    environment.Clear();
    Reachability::ClearStatusForTesting();
}
BENCHMARK(BM_OfflineQueueing)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
