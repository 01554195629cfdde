// Events per second to an extension's listener that receives 50-key event data as JSON text, next to
// the hub's own rate for the same events to a built-in module's listener, measured in the same run; and
// the cost of each crossing alone.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "ReferenceRatio.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Object.h"
#include "externalModule/ExternalModule.h"
#include "externalModule/ExternalModuleBridge.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListenerInterface.h"
#include "externalModule/ExternalModuleServicesInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/FakePlatformServices.h"

namespace NuvraMobile {
namespace {

constexpr int BATCH = 1000;
constexpr int DATA_KEYS = 50;
const char* const TYPE = "com.bench.type";
const char* const SOURCE = "com.bench.source";

/** Tells when the listener is registered, and when it has heard the batch it was armed for. */
class BatchDone {
public:
    void Registered() { registered_.set_value(); }
    void WaitUntilRegistered() { registered_.get_future().wait(); }

    std::future<void> Arm(long count) {
        done_ = std::promise<void>();
        remaining_.store(count);
        return done_.get_future();
    }

    void Heard() {
        if (remaining_.fetch_sub(1) == 1) {
            done_.set_value();
        }
    }

private:
    std::promise<void> registered_;
    std::atomic<long> remaining_{0};
    std::promise<void> done_;
};

/** Strings, numbers and booleans under 50 keys, as the app would send them. */
std::string FiftyKeyJson() {
    std::string text = "{";
    for (int index = 0; index < DATA_KEYS; ++index) {
        const std::string key = "\"key" + std::to_string(index) + "\": ";
        text += (index == 0 ? "" : ", ") + key;
        switch (index % 3) {
            case 0:
                text += "\"value number " + std::to_string(index) + "\"";
                break;
            case 1:
                text += std::to_string(index * 1000 + 0.5);
                break;
            default:
                text += index % 2 ? "true" : "false";
                break;
        }
    }
    return text + "}";
}

class CountingModule : public InternalModule {
public:
    explicit CountingModule(BatchDone& done) : InternalModule("com.bench.internal"), done_(done) {}
    std::string GetSharedStateName() const override { return GetModuleName(); }
    void Heard() { done_.Heard(); }
    void Registered() { done_.Registered(); }

protected:
    void OnRegistered() override;

private:
    BatchDone& done_;
};

class CountingListener : public ModuleEventListener<CountingModule> {
public:
    void OnRegistered() override {
        if (auto module = GetParentModule()) {
            module->Registered();
        }
    }
    void Hear(const std::shared_ptr<Event>&) override {
        if (auto module = GetParentModule()) {
            module->Heard();
        }
    }
};

void CountingModule::OnRegistered() {
    RegisterListener<CountingListener>(EventType::Get(TYPE), EventSource::Get(SOURCE));
}

/** Renders each event's data as the JSON text the app would receive. */
class JsonTextListener : public Object, public virtual ExternalModuleListenerInterface {
public:
    JsonTextListener(std::shared_ptr<JsonUtilityServiceInterface> json, BatchDone& done)
        : json_(std::move(json)), done_(done) {}

    void OnRegistered() override { done_.Registered(); }
    void OnUnregistered() override {}
    void Hear(const std::shared_ptr<Event>& event) override {
        benchmark::DoNotOptimize(GetEventDataAsString(event, json_));
        done_.Heard();
    }

private:
    const std::shared_ptr<JsonUtilityServiceInterface> json_;
    BatchDone& done_;
};

class BenchExtension : public Object, public virtual ExternalModuleInterface {
public:
    BenchExtension(std::shared_ptr<JsonUtilityServiceInterface> json, BatchDone& done)
        : json_(std::move(json)), done_(done) {}

    std::string GetModuleName() override { return "com.bench.extension"; }
    std::string GetModuleVersion() override { return "1.0.0"; }
    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) override {
        services->RegisterListener(std::make_shared<JsonTextListener>(json_, done_), TYPE, SOURCE);
    }
    void OnUnexpectedError(SdkError&) override {}
    void OnUnregister() override {}

private:
    const std::shared_ptr<JsonUtilityServiceInterface> json_;
    BatchDone& done_;
};

/** A started hub over services with the native JSON utility service. */
std::shared_ptr<EventHub> MakeHub(const std::shared_ptr<JsonUtilityServiceInterface>& json) {
    auto services = std::make_shared<FakePlatformServices>();
    services->jsonUtilityService = json;
    return EventHub::Create("BenchHub", [services] { return services; });
}

/** Dispatches a batch of events made by `makeEvent` and waits until the listener has heard it all. */
template <class MakeEvent>
void RunBatch(EventHub& hub, BatchDone& done, MakeEvent makeEvent) {
    auto batch = done.Arm(BATCH);
    for (int index = 0; index < BATCH; ++index) {
        hub.Dispatch(makeEvent());
    }
    batch.wait();
}

/** Times batches of events made by `makeEvent`. */
template <class MakeEvent>
void RunBatches(benchmark::State& state, EventHub& hub, BatchDone& done, MakeEvent makeEvent) {
    done.WaitUntilRegistered();
    for (auto _ : state) {
        RunBatch(hub, done, makeEvent);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}

/** A started hub with the extension registered, its listener confirmed. */
std::shared_ptr<EventHub> MakeHubWithExtension(const std::shared_ptr<JsonUtilityServiceInterface>& json,
                                               BatchDone& done) {
    auto hub = MakeHub(json);
    const auto extension = std::make_shared<BenchExtension>(json, done);
    hub->RegisterModule(std::make_shared<ExternalModule>(extension->GetModuleName(), extension));
    hub->FinishModulesRegistration(nullptr);
    return hub;
}

/** A started hub with a built-in module's counting listener registered. */
std::shared_ptr<EventHub> MakeHubWithCountingModule(const std::shared_ptr<JsonUtilityServiceInterface>& json,
                                                   BatchDone& done) {
    auto hub = MakeHub(json);
    hub->RegisterModule(std::make_shared<CountingModule>(done));
    hub->FinishModulesRegistration(nullptr);
    return hub;
}

std::shared_ptr<EventData> FiftyKeyData(JsonUtilityServiceInterface& json) {
    return json.JsonObjectToEventData(json.CreateJsonObject(FiftyKeyJson())).Value();
}

std::shared_ptr<Event> EventWithData(const std::shared_ptr<EventData>& data) {
    return EventBuilder("bench", EventType::Get(TYPE), EventSource::Get(SOURCE)).SetData(data).Build();
}

// The reference: events with the 50-key data to a built-in module's listener.
void BM_HubOwnListener50Keys(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const auto data = FiftyKeyData(*json);
    BatchDone done;
    auto hub = MakeHubWithCountingModule(json, done);
    RunBatches(state, *hub, done, [&] { return EventWithData(data); });
    hub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_HubOwnListener50Keys)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same events to an extension's listener, which receives their data as JSON text, on the
// extension module's own queue.
void BM_ExtensionListener50KeysAsJson(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const auto data = FiftyKeyData(*json);
    BatchDone done;
    auto hub = MakeHubWithExtension(json, done);
    RunBatches(state, *hub, done, [&] { return EventWithData(data); });
    hub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_ExtensionListener50KeysAsJson)->Unit(benchmark::kMillisecond)->UseRealTime();

// The extension's listener against the hub's own, batch for batch in the same run: "x_reference" is the
// extension's rate as a share of the built-in listener's.
void BM_ExtensionListenerTarget(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const auto data = FiftyKeyData(*json);
    BatchDone ownDone;
    auto ownHub = MakeHubWithCountingModule(json, ownDone);
    BatchDone extensionDone;
    auto extensionHub = MakeHubWithExtension(json, extensionDone);
    ownDone.WaitUntilRegistered();
    extensionDone.WaitUntilRegistered();
    const auto makeEvent = [&] { return EventWithData(data); };
    RunAgainstReference(
        state, 0.25, [&] { RunBatch(*extensionHub, extensionDone, makeEvent); },
        [&] { RunBatch(*ownHub, ownDone, makeEvent); });
    state.SetItemsProcessed(state.iterations() * BATCH);
    extensionHub->Dispose(std::chrono::seconds(10));
    ownHub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_ExtensionListenerTarget)->UseManualTime()->Unit(benchmark::kMillisecond);

// As above, with each event also made from JSON text, as the app dispatches it.
void BM_ExtensionRoundTrip50KeysAsJson(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const std::string text = FiftyKeyJson();
    BatchDone done;
    auto hub = MakeHubWithExtension(json, done);
    RunBatches(state, *hub, done, [&] { return CreateBroadcastEvent(json, "bench", TYPE, SOURCE, text); });
    hub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_ExtensionRoundTrip50KeysAsJson)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two crossings alone, on one thread: the app's text into an event, and an event's data into text.
void BM_CrossingIntoEvent50Keys(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const std::string text = FiftyKeyJson();
    for (auto _ : state) {
        benchmark::DoNotOptimize(CreateBroadcastEvent(json, "bench", TYPE, SOURCE, text));
    }
}
BENCHMARK(BM_CrossingIntoEvent50Keys)->Unit(benchmark::kMicrosecond);

void BM_CrossingOutOfEvent50Keys(benchmark::State& state) {
    const auto json = CreateNativeJsonUtilityService();
    const auto event = CreateBroadcastEvent(json, "bench", TYPE, SOURCE, FiftyKeyJson());
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetEventDataAsString(event, json));
    }
}
BENCHMARK(BM_CrossingOutOfEvent50Keys)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
