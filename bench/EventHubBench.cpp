// Event hub throughput and latency with 8 modules, and shared states with 100,000 versions.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <vector>

#include "SmokeRun.h"

#include "core/hub/EventHub.h"
#include "core/hub/SharedStateStore.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Object.h"
#include "platformShim/PlatformServicesInterface.h"
#include "support/FakePlatformServices.h"

namespace NuvraMobile {
namespace {

constexpr int MODULE_COUNT = 8;
constexpr int BATCH = 1000;
constexpr int32_t STATE_VERSIONS = 100000;

/** Counts listener runs across all modules and lets the benchmark wait for a total. */
class ListenerRuns {
public:
    void Reset() { runs_.store(0); }

    void Add() {
        const long total = runs_.fetch_add(1) + 1;
        if (total == target_.load()) {
            std::lock_guard<std::mutex> lock(mutex_);
            reached_.notify_all();
        }
    }

    void WaitFor(long target) {
        target_.store(target);
        std::unique_lock<std::mutex> lock(mutex_);
        reached_.wait(lock, [&] { return runs_.load() >= target; });
    }

private:
    std::atomic<long> runs_{0};
    std::atomic<long> target_{-1};
    std::mutex mutex_;
    std::condition_variable reached_;
};

class BenchModule : public InternalModule {
public:
    BenchModule(const std::string& name, ListenerRuns& runs) : InternalModule(name), runs_(runs) {}
    std::string GetSharedStateName() const override { return GetModuleName(); }
    void Heard() { runs_.Add(); }

protected:
    void OnRegistered() override;

private:
    ListenerRuns& runs_;
};

class BenchListener : public ModuleEventListener<BenchModule> {
public:
    void Hear(const std::shared_ptr<Event>&) override {
        if (auto module = GetParentModule()) {
            module->Heard();
        }
    }
};

void BenchModule::OnRegistered() { RegisterWildCardListener<BenchListener>(); }

std::shared_ptr<EventHub> MakeHub() {
    auto services = std::make_shared<FakePlatformServices>();
    return EventHub::Create("BenchHub", [services] { return services; });
}

std::shared_ptr<Event> MakeEvent() {
    return EventBuilder("bench", EventType::CUSTOM, EventSource::NONE).Build();
}

/** A hub with 8 modules whose listeners only count, started and warmed up. */
struct EightModuleHub {
    ListenerRuns runs;
    std::shared_ptr<EventHub> hub = MakeHub();

    EightModuleHub() {
        for (int index = 0; index < MODULE_COUNT; ++index) {
            hub->RegisterModule(std::make_shared<BenchModule>("bench.module" + std::to_string(index), runs));
        }
        hub->FinishModulesRegistration(nullptr);
        Send(BATCH);
    }

    ~EightModuleHub() { hub->Dispose(std::chrono::seconds(10)); }

    /** Dispatches `count` events and waits until every module's listener has heard them all. */
    void Send(int count) {
        std::vector<std::shared_ptr<Event>> events;
        for (int index = 0; index < count; ++index) {
            events.push_back(MakeEvent());
        }
        runs.Reset();
        for (const auto& event : events) {
            hub->Dispatch(event);
        }
        runs.WaitFor(static_cast<long>(count) * MODULE_COUNT);
    }
};

void BM_DispatchToEightModules(benchmark::State& state) {
    EightModuleHub bench;
    std::vector<std::shared_ptr<Event>> events;
    for (auto _ : state) {
        state.PauseTiming();
        events.clear();
        for (int index = 0; index < BATCH; ++index) {
            events.push_back(MakeEvent());
        }
        bench.runs.Reset();
        state.ResumeTiming();
        for (const auto& event : events) {
            bench.hub->Dispatch(event);
        }
        bench.runs.WaitFor(static_cast<long>(BATCH) * MODULE_COUNT);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_DispatchToEightModules)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LatencyToLastOfEightListeners(benchmark::State& state) {
    EightModuleHub bench;
    std::vector<double> microseconds;
    for (auto _ : state) {
        auto event = MakeEvent();
        bench.runs.Reset();
        const auto start = std::chrono::steady_clock::now();
        bench.hub->Dispatch(event);
        bench.runs.WaitFor(MODULE_COUNT);
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(microseconds.begin(), microseconds.end());
    state.counters["p50_us"] = microseconds[microseconds.size() / 2];
    state.counters["p99_us"] = microseconds[microseconds.size() * 99 / 100];
}
BENCHMARK(BM_LatencyToLastOfEightListeners)
    ->Iterations(RealOrSmoke(20000, 200))
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

std::shared_ptr<EventData> StateData(int32_t version) {
    auto data = std::make_shared<EventData>();
    data->PutString("server", "collect.example.test")
        .PutInteger("version", version)
        .PutBoolean("ready", true);
    return data;
}

/** Heap bytes per version of a store holding 100,000 versions of what `dataFor` gives. */
template <class DataFor>
double BytesPerVersion(DataFor dataFor) {
    const auto before = mallinfo2().uordblks;
    SharedStateStore store;
    for (int32_t version = 0; version < STATE_VERSIONS; ++version) {
        store.Write("owner", version, dataFor(version), true, false);
    }
    return static_cast<double>(mallinfo2().uordblks - before) / STATE_VERSIONS;
}

// Whole versions as the hub publishes them (each a private copy of a 3-entry state), and the
// store's own share: the same data stored under every version.
void BM_SharedStateMemoryPerVersion(benchmark::State& state) {
    for (auto _ : state) {
        const double published = BytesPerVersion(
            [](int32_t version) { return SharedStateStore::ForPublication(StateData(version)); });
        const auto shared = StateData(0);
        const double structure = BytesPerVersion([&shared](int32_t) { return shared; });
        state.counters["bytes_per_version"] = published;
        state.counters["total_MB"] = published * STATE_VERSIONS / (1024.0 * 1024.0);
        state.counters["store_bytes_per_version"] = structure;
    }
}
BENCHMARK(BM_SharedStateMemoryPerVersion)->Iterations(1)->Unit(benchmark::kMillisecond);

// Reads through the hub among 100,000 versions: at random versions (arg 0), or at the latest ones
// (arg 1), as readers mostly ask for the state of a recent event.
void BM_SharedStateGetAmongVersions(benchmark::State& state) {
    ListenerRuns runs;
    auto hub = MakeHub();
    auto owner = std::make_shared<BenchModule>("bench.owner", runs);
    hub->RegisterModule(owner);
    for (int32_t version = 0; version < STATE_VERSIONS; ++version) {
        hub->CreateSharedState(owner, version, StateData(version));
    }
    // Each write announced itself with an event; let the module hear them all before timing reads.
    runs.WaitFor(STATE_VERSIONS);
    std::mt19937 random(7);
    const int32_t lowest = state.range(0) == 0 ? 0 : STATE_VERSIONS - 16;
    std::uniform_int_distribution<int32_t> versions(lowest, STATE_VERSIONS + 16);
    std::vector<std::shared_ptr<Event>> readers;
    for (int index = 0; index < 1024; ++index) {
        readers.push_back(EventBuilder("reader", EventType::CUSTOM, EventSource::NONE)
                              .SetEventNumber(versions(random))
                              .Build());
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            hub->GetSharedEventState("bench.owner", readers[next++ % readers.size()], owner));
    }
    hub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_SharedStateGetAmongVersions)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace NuvraMobile
