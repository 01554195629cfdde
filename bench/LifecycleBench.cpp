// Lifecycle start to "LifecycleStart" dispatched, on a warm hub: each iteration pauses (not measured) and
// starts again with a session timeout of 0, so every start opens a new session and builds the whole
// launch data.
// The store is either the native durable key-value store (every write on disk before it returns) or a
// store in memory, which leaves the module's own work; both count the store writes of one start.

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/hub/EventHub.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "lifecycle/Lifecycle.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/BootStateModule.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

/** Every value kept as text in memory. */
class TextMapStore : public Object, public virtual DataStoreInterface {
public:
    void SetInt(const std::string& key, std::int32_t value) override { Set(key, std::to_string(value)); }
    std::int32_t GetInt(const std::string& key, std::int32_t fallback) override {
        const auto text = Get(key);
        return text ? std::stoi(*text) : fallback;
    }
    void SetString(const std::string& key, const std::string& value) override { Set(key, value); }
    std::string GetString(const std::string& key, const std::string& fallback) override {
        const auto text = Get(key);
        return text ? *text : fallback;
    }
    void SetDouble(const std::string& key, double value) override { Set(key, std::to_string(value)); }
    double GetDouble(const std::string& key, double fallback) override {
        const auto text = Get(key);
        return text ? std::stod(*text) : fallback;
    }
    void SetLong(const std::string& key, std::int64_t value) override { Set(key, std::to_string(value)); }
    std::int64_t GetLong(const std::string& key, std::int64_t fallback) override {
        const auto text = Get(key);
        return text ? std::stoll(*text) : fallback;
    }
    void SetFloat(const std::string& key, float value) override { Set(key, std::to_string(value)); }
    float GetFloat(const std::string& key, float fallback) override {
        const auto text = Get(key);
        return text ? std::stof(*text) : fallback;
    }
    void SetBoolean(const std::string& key, bool value) override { Set(key, value ? "1" : "0"); }
    bool GetBoolean(const std::string& key, bool fallback) override {
        const auto text = Get(key);
        return text ? *text == "1" : fallback;
    }
    void SetVector(const std::string&, const std::vector<std::string>&) override {}
    std::vector<std::string> GetVector(const std::string&) override { return {}; }
    void SetMap(const std::string&, const std::map<std::string, std::string>&) override {}
    std::map<std::string, std::string> GetMap(const std::string&) override { return {}; }
    bool Contains(const std::string& key) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return values_.count(key) != 0;
    }
    void Remove(const std::string& key) override {
        std::lock_guard<std::mutex> lock(mutex_);
        values_.erase(key);
    }
    void RemoveAll() override {
        std::lock_guard<std::mutex> lock(mutex_);
        values_.clear();
    }

private:
    void Set(const std::string& key, std::string value) {
        std::lock_guard<std::mutex> lock(mutex_);
        values_[key] = std::move(value);
    }
    std::shared_ptr<const std::string> Get(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = values_.find(key);
        return found == values_.end() ? nullptr : std::make_shared<const std::string>(found->second);
    }

    std::mutex mutex_;
    std::map<std::string, std::string> values_;
};

/** Forwards to a store and counts the writes (sets and removals). */
class CountingStore : public Object, public virtual DataStoreInterface {
public:
    explicit CountingStore(std::shared_ptr<DataStoreInterface> inner) : inner_(std::move(inner)) {}

    std::atomic<long> writes{0};

    void SetInt(const std::string& key, std::int32_t value) override { ++writes, inner_->SetInt(key, value); }
    std::int32_t GetInt(const std::string& key, std::int32_t fallback) override { return inner_->GetInt(key, fallback); }
    void SetString(const std::string& key, const std::string& value) override { ++writes, inner_->SetString(key, value); }
    std::string GetString(const std::string& key, const std::string& fallback) override {
        return inner_->GetString(key, fallback);
    }
    void SetDouble(const std::string& key, double value) override { ++writes, inner_->SetDouble(key, value); }
    double GetDouble(const std::string& key, double fallback) override { return inner_->GetDouble(key, fallback); }
    void SetLong(const std::string& key, std::int64_t value) override { ++writes, inner_->SetLong(key, value); }
    std::int64_t GetLong(const std::string& key, std::int64_t fallback) override { return inner_->GetLong(key, fallback); }
    void SetFloat(const std::string& key, float value) override { ++writes, inner_->SetFloat(key, value); }
    float GetFloat(const std::string& key, float fallback) override { return inner_->GetFloat(key, fallback); }
    void SetBoolean(const std::string& key, bool value) override { ++writes, inner_->SetBoolean(key, value); }
    bool GetBoolean(const std::string& key, bool fallback) override { return inner_->GetBoolean(key, fallback); }
    void SetVector(const std::string& key, const std::vector<std::string>& value) override {
        ++writes, inner_->SetVector(key, value);
    }
    std::vector<std::string> GetVector(const std::string& key) override { return inner_->GetVector(key); }
    void SetMap(const std::string& key, const std::map<std::string, std::string>& value) override {
        ++writes, inner_->SetMap(key, value);
    }
    std::map<std::string, std::string> GetMap(const std::string& key) override { return inner_->GetMap(key); }
    bool Contains(const std::string& key) override { return inner_->Contains(key); }
    void Remove(const std::string& key) override { ++writes, inner_->Remove(key); }
    void RemoveAll() override { ++writes, inner_->RemoveAll(); }

private:
    const std::shared_ptr<DataStoreInterface> inner_;
};

/** Hands out the one counting store, whatever the name. */
class OneStoreStorage : public Object, public virtual LocalStorageServiceInterface {
public:
    explicit OneStoreStorage(std::shared_ptr<CountingStore> store) : store_(std::move(store)) {}
    std::shared_ptr<DataStoreInterface> GetDataStore(const std::string&) override { return store_; }

private:
    const std::shared_ptr<CountingStore> store_;
};

/** Counts "LifecycleStart" events and lets the benchmark wait for a number of them. */
class StartCounter : public InternalModule {
public:
    StartCounter() : InternalModule("bench.start.counter") {}
    std::string GetSharedStateName() const override { return "bench.start.counter"; }

    void Started() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++starts_;
        condition_.notify_all();
    }
    void WaitFor(long count) {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [&] { return starts_ >= count; });
    }

protected:
    void OnRegistered() override { RegisterListener<Listener>(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT); }

private:
    class Listener : public ModuleEventListener<StartCounter> {
    public:
        void Hear(const std::shared_ptr<Event>&) override {
            if (auto counter = GetParentModule()) {
                counter->Started();
            }
        }
    };

    std::mutex mutex_;
    std::condition_variable condition_;
    long starts_ = 0;
};

constexpr long kPauseWrites = 2;

std::shared_ptr<Event> Request(const char* action) {
    auto data = std::make_shared<EventData>();
    data->PutString("action", action);
    data->PutStringMap("additionalcontextdata", {{"bench", "1"}});
    return EventBuilder("LifecycleRequest", EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT)
        .SetData(data)
        .Build();
}

void RunStarts(benchmark::State& state, const std::shared_ptr<DataStoreInterface>& innerStore) {
    const auto store = std::make_shared<CountingStore>(innerStore);
    auto services = std::make_shared<FakePlatformServices>();
    services->localStorageService = std::make_shared<OneStoreStorage>(store);
    services->jsonUtilityService = CreateNativeJsonUtilityService();
    services->systemInfoService = std::make_shared<FakeSystemInfoService>();
    const auto hub = EventHub::Create("bench", [services] { return services; });
    auto configuration = std::make_shared<EventData>();
    configuration->PutInteger("lifecycle.sessionTimeout", 0);
    hub->RegisterModule(std::make_shared<BootStateModule>("com.nuvra.module.configuration", configuration));
    hub->RegisterModule(std::make_shared<Lifecycle>());
    const auto counter = std::make_shared<StartCounter>();
    hub->RegisterModule(counter);
    hub->FinishModulesRegistration([] {});

    long starts = 0;
    hub->Dispatch(Request("start"));  // the install, out of the measure
    counter->WaitFor(++starts);
    long writes = 0;
    for (auto _ : state) {
        // The pause (two writes) is not measured: the start begins once it is stored.
        state.PauseTiming();
        const long paused = store->writes.load() + kPauseWrites;
        hub->Dispatch(Request("pause"));
        while (store->writes.load() < paused) {
            std::this_thread::yield();
        }
        state.ResumeTiming();
        hub->Dispatch(Request("start"));
        counter->WaitFor(++starts);
        writes += store->writes.load() - paused;
    }
    state.counters["store_writes_per_start"] = static_cast<double>(writes) / static_cast<double>(state.iterations());
    hub->Dispose(std::chrono::seconds(10));
}

void BM_LifecycleStartDurableStore(benchmark::State& state) {
    ScopedAppFolders folders;
    RunStarts(state, CreateNativeLocalStorageService()->GetDataStore("NuvraMobile_Lifecycle"));
}
BENCHMARK(BM_LifecycleStartDurableStore)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LifecycleStartMemoryStore(benchmark::State& state) {
    RunStarts(state, std::make_shared<TextMapStore>());
}
BENCHMARK(BM_LifecycleStartMemoryStore)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
