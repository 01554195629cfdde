// Loads through the whole system: public API, hub, module task, delivery request to a loopback HTTPS
// server, answer events and callbacks. Reports the 50th and 99th percentile latency per load, and how
// long an identity request waits behind a slow delivery answer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Variant.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraPublicApi.h"
#include "services/PlatformServices.h"
#include "services/network/NetworkTestSettings.h"
#include "services/system/Reachability.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"
#include "support/RedirectingNetworkService.h"

namespace NuvraMobile {
namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

/** Counts answers until the expected number came. */
class Latch {
public:
    explicit Latch(size_t count) : count_(count) {}
    void CountDown() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ > 0 && --count_ == 0) {
            done_.notify_all();
        }
    }
    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, std::chrono::seconds(30), [&] { return count_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    size_t count_;
};

/** One core with Configuration and the personalisation module, configured, over a loopback server. */
class LoadEnvironment {
public:
    static LoadEnvironment& Get() {
        static LoadEnvironment environment;
        return environment;
    }

    /** The delivery server answers after this long. */
    void SetServerDelay(std::chrono::milliseconds delay) {
        std::lock_guard<std::mutex> lock(mutex_);
        delay_ = delay;
    }

    PivoraPublicApi& Api() { return *api_; }

private:
    LoadEnvironment() {
        Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        server_.Handle("/rest/v1/delivery/", [this](const LoopbackRequest& request) { return Serve(request); });
        shared_ = SharedPlatformServices::Create();
        const auto makeServices = [this] {
            auto services = std::make_shared<FakePlatformServices>(shared_->CreatePlatformServices());
            services->networkService = std::make_shared<RedirectingNetworkService>(
                services->GetNetworkService(), server_.Url(""), std::make_shared<NetworkLog>());
            return services;
        };
        core_ = Core::Create(makeServices);
        observer_ = std::make_shared<ObserverModule>();
        core_->GetEventHub()->RegisterModule(observer_);
        api_ = PivoraPublicApi::Create(core_->GetEventHub(), makeServices());
        api_->RegisterPivora();
        core_->Start([] {});
        core_->UpdateConfiguration({{"pivora.clientCode", Variant::FromString("bench")},
                                    {"global.privacy", Variant::FromString("optedin")}});
        observer_->WaitForName("Configuration Response Event");
    }

    LoopbackResponse Serve(const LoopbackRequest& request) {
        std::chrono::milliseconds delay;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            delay = delay_;
        }
        std::this_thread::sleep_for(delay);
        const json body = json::parse(request.body, nullptr, false);
        json answer = {{"id", {{"qtxId", "q.1"}}}};
        if (body.contains("execute")) {
            for (const auto& mbox : body["execute"]["mboxes"]) {
                answer["execute"]["mboxes"].push_back(
                    {{"name", mbox["name"]}, {"options", {{{"type", "html"}, {"content", "<p>offer</p>"}}}}});
            }
        }
        return {200, {}, answer.dump()};
    }

    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<PivoraPublicApi> api_;
    std::mutex mutex_;
    std::chrono::milliseconds delay_{0};
};

void ReportPercentiles(benchmark::State& state, std::vector<double>& microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double share) {
        return microseconds[std::min(microseconds.size() - 1, static_cast<size_t>(share * microseconds.size()))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
}

// One load of N mboxes, from the call until every callback has its content.
void BM_EndToEndLoad(benchmark::State& state) {
    auto& environment = LoadEnvironment::Get();
    environment.SetServerDelay(std::chrono::milliseconds(0));
    const auto count = static_cast<size_t>(state.range(0));
    std::vector<double> latencies;
    for (auto _ : state) {
        Latch answered(count);
        std::vector<std::shared_ptr<PivoraRequest>> requests;
        for (size_t i = 0; i < count; ++i) {
            requests.push_back(std::make_shared<PivoraRequest>("location-" + std::to_string(i), "default", nullptr,
                                                               [&answered](const std::string&) { answered.CountDown(); }));
        }
        const auto start = Clock::now();
        environment.Api().PivoraGetLocationContent(requests, nullptr);
        if (!answered.Wait()) {
            state.SkipWithError("a load was not answered");
            return;
        }
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    ReportPercentiles(state, latencies);
}
BENCHMARK(BM_EndToEndLoad)->Arg(1)->Arg(10)->Arg(50)->Iterations(200)->Unit(benchmark::kMicrosecond);

// An identity request made just after a load whose answer takes 100 ms: it waits on the module's queue.
void BM_IdentityBehindSlowDelivery(benchmark::State& state) {
    auto& environment = LoadEnvironment::Get();
    environment.SetServerDelay(std::chrono::milliseconds(100));
    std::vector<double> waits;
    for (auto _ : state) {
        Latch loaded(1);
        Latch identified(1);
        environment.Api().PivoraGetLocationContent(
            {std::make_shared<PivoraRequest>("slow", "default", nullptr,
                                             [&loaded](const std::string&) { loaded.CountDown(); })},
            nullptr);
        const auto start = Clock::now();
        environment.Api().PivoraGetQtxId([&identified](const std::string&) { identified.CountDown(); });
        if (!identified.Wait() || !loaded.Wait()) {
            state.SkipWithError("a request was not answered");
            return;
        }
        waits.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    environment.SetServerDelay(std::chrono::milliseconds(0));
    ReportPercentiles(state, waits);
}
BENCHMARK(BM_IdentityBehindSlowDelivery)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace NuvraMobile
