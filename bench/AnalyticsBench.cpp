// The measurement road's costs on the native services:
// - Track to durable: hits/s from Core::Track until the hit's row is committed (synchronous=FULL), with
//   1 and 4 calling threads and 10 and 200 context keys; nothing is sent (the network is reported
//   down). Reference, in the same run: one durable commit per hit, the hit queue's own single-row
//   insert of an equal body (BM_AnalyticsReferenceOneCommitPerHit).
// - Delivery: stored hits posted one per request to a loopback HTTPS server, connections reused.
// - Kick over 1,000 and 10,000 stored rows: pointing every row at a new server, and a kick whose
//   server the rows already carry.

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>

#include "SmokeRun.h"
#include "TrackEnvironment.h"

#include "analytics/Analytics.h"
#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsHitProcessor.h"
#include "analytics/AnalyticsHitQueue.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "services/PlatformServices.h"
#include "services/network/NetworkTestSettings.h"
#include "services/system/Reachability.h"
#include "support/ConfigurationTestSupport.h"
#include "support/IdentityStandIn.h"
#include "support/LoopbackHttpsServer.h"
#include "util/Log.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

constexpr int kTracksPerIteration = 50;

void BM_AnalyticsTrackToDurable(benchmark::State& state) {
    auto& environment = TrackEnvironment::Get();
    if (state.thread_index() == 0) {
        Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
        environment.Clear();
    }
    auto data = std::make_shared<EventData>();
    data->PutString("action", "AddToCart");
    data->PutString("state", "Product page");
    data->PutStringMap("contextdata", ContextData(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        for (int track = 0; track < kTracksPerIteration; ++track) {
            environment.core->Track(data);
        }
        // Answered after every track above: each has then been committed.
        benchmark::DoNotOptimize(environment.QueueSize());
    }
    state.SetItemsProcessed(state.iterations() * kTracksPerIteration);
    if (state.thread_index() == 0) {
        Reachability::ClearStatusForTesting();
    }
}
BENCHMARK(BM_AnalyticsTrackToDurable)
    ->ArgName("keys")
    ->Arg(10)
    ->Arg(200)
    ->Threads(1)
    ->Threads(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(2.0));

/** A hit database over its own queue in a fresh folder, with the native services. */
class HitDatabaseEnvironment {
public:
    HitDatabaseEnvironment() {
        services_ = SharedPlatformServices::Create()->CreatePlatformServices();
        properties_ = std::make_shared<AnalyticsProperties>(services_);
        processor_ = std::make_shared<AnalyticsHitProcessor>();
        queue = std::make_shared<AnalyticsHitQueue>(services_, std::make_shared<AnalyticsDatabaseHitSchema>(),
                                                    processor_);
        database = std::make_shared<AnalyticsHitDatabase>(queue, services_, properties_, nullptr);
        processor_->SetHitDatabase(database);
    }
    ~HitDatabaseEnvironment() { database->Dispose(5s); }

    /** A state whose offline batch holds every row until a forced kick. */
    static std::shared_ptr<AnalyticsState> State(const std::string& server) {
        auto configuration = std::make_shared<EventData>();
        configuration->PutString("analytics.server", server);
        configuration->PutString("analytics.rsids", "rs");
        configuration->PutBoolean("analytics.offlineEnabled", true);
        configuration->PutInteger("analytics.batchLimit", 1000000);
        return std::make_shared<AnalyticsState>(
            std::map<std::string, std::shared_ptr<EventData>>{{"com.nuvra.module.configuration", configuration}});
    }

    void Store(const std::shared_ptr<AnalyticsState>& state, int rows, const std::string& body) {
        for (int row = 0; row < rows; ++row) {
            database->Queue(state, body, TimeUtils::GetUnixTimeInSeconds(), false, false);
        }
    }

    std::shared_ptr<AnalyticsHitQueue> queue;
    std::shared_ptr<AnalyticsHitDatabase> database;

private:
    ScopedAppFolders folders_;
    std::shared_ptr<PlatformServicesInterface> services_;
    std::shared_ptr<AnalyticsProperties> properties_;
    std::shared_ptr<AnalyticsHitProcessor> processor_;
};

std::string BodyWithKeys(int keys) {
    return "ndh=1&c.&shop.&" + [keys] {
        std::string items;
        for (int key = 0; key < keys; ++key) {
            items += "item" + std::to_string(key) + "=value%20" + std::to_string(key) + "&";
        }
        return items;
    }() + ".shop&.c&ce=UTF-8&cp=foreground&pageName=Product%20page&pe=lnk_o&pev2=NMACTION%3AAddToCart";
}

void BM_AnalyticsReferenceOneCommitPerHit(benchmark::State& state) {
    HitDatabaseEnvironment environment;
    const std::string body = BodyWithKeys(static_cast<int>(state.range(0)));
    std::int64_t timestamp = 0;
    for (auto _ : state) {
        auto hit = std::make_shared<AnalyticsHit>();
        hit->url = body;
        hit->server = "https://127.0.0.1:9/b/ss/rs/0/unknown/s";
        hit->timestamp = ++timestamp;
        if (!environment.queue->Queue(hit)) {
            state.SkipWithError("insert failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalyticsReferenceOneCommitPerHit)
    ->ArgName("keys")
    ->Arg(10)
    ->Arg(200)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(2.0));

void BM_AnalyticsDelivery(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    LoopbackHttpsServer server;
    std::mutex mutex;
    std::condition_variable received;
    int requests = 0;
    server.SetDefaultHandler([&](const LoopbackRequest&) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++requests;
        }
        received.notify_all();
        return LoopbackResponse{200, {}, ""};
    });
    NetworkTestSettings::SetTrustedCertificateAuthority(server.CertificateAuthorityPem());
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    {
        HitDatabaseEnvironment environment;
        const auto hitState = HitDatabaseEnvironment::State("127.0.0.1:" + std::to_string(server.Port()));
        const std::string body = BodyWithKeys(10);
        int expected = 0;
        for (auto _ : state) {
            state.PauseTiming();
            environment.Store(hitState, rows, body);
            expected += rows;
            state.ResumeTiming();
            environment.database->ForceKick(hitState);
            std::unique_lock<std::mutex> lock(mutex);
            received.wait(lock, [&] { return requests >= expected; });
        }
        state.SetItemsProcessed(expected);
    }
    Reachability::ClearStatusForTesting();
    NetworkTestSettings::SetTrustedCertificateAuthority("");
}
BENCHMARK(BM_AnalyticsDelivery)
    ->ArgName("rows")
    ->Arg(RealOrSmoke(1000, 100))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(2.0));

void BM_AnalyticsKick(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const bool newServer = state.range(1) != 0;
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    {
        HitDatabaseEnvironment environment;
        const std::shared_ptr<AnalyticsState> states[] = {HitDatabaseEnvironment::State("a.example.com"),
                                                          HitDatabaseEnvironment::State("b.example.com")};
        environment.Store(states[0], rows, BodyWithKeys(10));
        environment.database->ForceKick(states[0]);
        int turn = 0;
        for (auto _ : state) {
            environment.database->ForceKick(states[newServer ? ++turn % 2 : 0]);
        }
    }
    Reachability::ClearStatusForTesting();
}
BENCHMARK(BM_AnalyticsKick)
    ->ArgNames({"rows", "newServer"})
    ->Args({RealOrSmoke(1000, 100), 1})
    ->Args({RealOrSmoke(10000, 200), 1})
    ->Args({RealOrSmoke(1000, 100), 0})
    ->Args({RealOrSmoke(10000, 200), 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(1.0));

}  // namespace
}  // namespace NuvraMobile
