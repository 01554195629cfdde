// The whole measurement road as a user feels it: from Core::Track until the collector on 127.0.0.1
// (HTTPS, the loopback server) has received the hit, on a started core with Configuration, Identity and
// Analytics over the native services.
// - Latency at 100 tracks/s, each hit sent at once (offline tracking off): p50 and p99 in milliseconds.
// - Highest sustained rate with offline tracking on and a batch limit of 50: tracks made as fast as the
//   caller can, hits/s counted until the last one has arrived.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SmokeRun.h"

#include "analytics/Analytics.h"
#include "analytics/AnalyticsPublicApi.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "identity/Identity.h"
#include "services/PlatformServices.h"
#include "services/network/NetworkTestSettings.h"
#include "support/ConfigurationTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/** Records when each tracked action's hit arrived ("action=T<n>" in the body). */
class ArrivalLog {
public:
    void Reset(size_t expected) {
        std::lock_guard<std::mutex> lock(mutex_);
        arrivals_.assign(expected, Clock::time_point{});
        count_ = 0;
    }

    void Note(const std::string& body) {
        const auto now = Clock::now();
        const size_t start = body.find("action=T");
        if (start == std::string::npos) {
            return;
        }
        const size_t number = std::stoul(body.substr(start + 8));
        std::lock_guard<std::mutex> lock(mutex_);
        if (number < arrivals_.size() && arrivals_[number] == Clock::time_point{}) {
            arrivals_[number] = now;
            ++count_;
            arrived_.notify_all();
        }
    }

    /** Waits up to `timeout` for every expected hit; false when some did not come. */
    bool WaitForAll(std::chrono::seconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [this] { return count_ == arrivals_.size(); });
    }

    std::vector<Clock::time_point> Arrivals() {
        std::lock_guard<std::mutex> lock(mutex_);
        return arrivals_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Clock::time_point> arrivals_;
    size_t count_ = 0;
};

/** One started core whose servers are the loopback collector, for the whole process. */
class RoadEnvironment {
public:
    static RoadEnvironment& Get() {
        static RoadEnvironment environment;
        return environment;
    }

    /** Applies the analytics settings and returns once they are published. */
    void Configure(bool offline, int batchLimit) {
        core->UpdateConfiguration({{"analytics.offlineEnabled", Variant::FromBoolean(offline)},
                                   {"analytics.batchLimit", Variant::FromInteger(batchLimit)}});
        observer_->WaitFor([&](const Event& event) {
            return event.GetName() == "Configuration Response Event" && event.GetPairID().empty() &&
                   event.GetData()->OptBoolean("analytics.offlineEnabled", !offline) == offline &&
                   event.GetData()->OptInteger("analytics.batchLimit", -1) == batchLimit;
        });
    }

    void Track(size_t number) {
        auto data = std::make_shared<EventData>();
        data->PutString("action", "T" + std::to_string(number));
        data->PutStringMap("contextdata", {{"shop.item", "green tea"}, {"shop.price", "4.50"}});
        core->Track(data);
    }

    std::shared_ptr<Core> core;
    std::shared_ptr<AnalyticsPublicApi> analytics;
    ArrivalLog arrivals;

private:
    RoadEnvironment() {
        Log::SetLogLevel(LoggingMode::Error);
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        server_.Handle("/id", [](const LoopbackRequest& request) {
            const bool identitySync = request.query.find("d_rtbd=") != std::string::npos;
            return LoopbackResponse{200, {},
                                    identitySync ? R"({"d_mid":"M1","id_sync_ttl":600})"
                                                 : R"({"id":"0123456789ABCDEF-0123456789ABCDEF"})"};
        });
        server_.SetDefaultHandler([this](const LoopbackRequest& request) {
            arrivals.Note(request.body);
            return LoopbackResponse{200, {}, ""};
        });
        shared_ = SharedPlatformServices::Create();
        core = Core::Create([this] { return shared_->CreatePlatformServices(); });
        const auto hub = core->GetEventHub();
        hub->RegisterModule<Identity>();
        analytics = AnalyticsPublicApi::Create(hub, nullptr, "OIP-bench");
        analytics->RegisterExtension();
        observer_ = std::make_shared<ObserverModule>();
        hub->RegisterModule(observer_);
        core->Start([] {});
        observer_->WaitForName("EventHub");
        const std::string host = "127.0.0.1:" + std::to_string(server_.Port());
        core->UpdateConfiguration({{"analytics.server", Variant::FromString(host)},
                                   {"analytics.rsids", Variant::FromString("rs")},
                                   {"global.privacy", Variant::FromString("optedin")},
                                   {"skyloom.org", Variant::FromString("ORG1")},
                                   {"skyloom.server", Variant::FromString(host)}});
    }

    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<ObserverModule> observer_;
};

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

void BM_AnalyticsEndToEndLatencyAt100PerSecond(benchmark::State& state) {
    auto& road = RoadEnvironment::Get();
    road.Configure(false, 0);
    const size_t tracks = static_cast<size_t>(state.range(0));
    std::vector<double> latencies;
    for (auto _ : state) {
        road.arrivals.Reset(tracks);
        std::vector<Clock::time_point> sent(tracks);
        const auto start = Clock::now();
        for (size_t number = 0; number < tracks; ++number) {
            std::this_thread::sleep_until(start + number * 10ms);  // the pace of 100 tracks/s
            sent[number] = Clock::now();
            road.Track(number);
        }
        if (!road.arrivals.WaitForAll(30s)) {
            state.SkipWithError("hits did not arrive within 30 s");
            return;
        }
        const auto arrivals = road.arrivals.Arrivals();
        for (size_t number = 0; number < tracks; ++number) {
            latencies.push_back(Milliseconds(arrivals[number] - sent[number]));
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["p50_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_AnalyticsEndToEndLatencyAt100PerSecond)
    ->ArgName("tracks")
    ->Arg(RealOrSmoke(500, 20))
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_AnalyticsEndToEndSustainedRateOfflineBatch50(benchmark::State& state) {
    auto& road = RoadEnvironment::Get();
    road.Configure(true, 50);
    const size_t tracks = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        road.arrivals.Reset(tracks);
        const auto start = Clock::now();
        for (size_t number = 0; number < tracks; ++number) {
            road.Track(number);
        }
        // What the last batch still holds goes out when asked, as an app does before it goes away.
        road.analytics->SendQueuedHits();
        if (!road.arrivals.WaitForAll(120s)) {
            state.SkipWithError("hits did not arrive within 120 s");
            return;
        }
        const auto arrivals = road.arrivals.Arrivals();
        state.SetIterationTime(
            std::chrono::duration<double>(*std::max_element(arrivals.begin(), arrivals.end()) - start).count());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(tracks));
}
BENCHMARK(BM_AnalyticsEndToEndSustainedRateOfflineBatch50)
    ->ArgName("tracks")
    ->Arg(RealOrSmoke(5000, 200))
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace NuvraMobile
