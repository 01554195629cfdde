#include <benchmark/benchmark.h>

#include <string>

#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"

namespace NuvraMobile {
namespace {

std::shared_ptr<EventData> TwentyKeyPayload() {
    auto data = std::make_shared<EventData>();
    for (int i = 0; i < 20; ++i) {
        const std::string key = "key" + std::to_string(i);
        switch (i % 4) {
            case 0:
                data->PutString(key, "a value of moderate length");
                break;
            case 1:
                data->PutInteger(key, i);
                break;
            case 2:
                data->PutDouble(key, i * 1.5);
                break;
            default:
                data->PutBoolean(key, true);
                break;
        }
    }
    return data;
}

std::shared_ptr<Event> BuildWith(const std::shared_ptr<EventData>& data) {
    return EventBuilder("AnalyticsTrack", EventType::ANALYTICS, EventSource::REQUEST_CONTENT)
        .SetData(data)
        .Build();
}

void BM_EventBuild(benchmark::State& state) {
    const auto payload = TwentyKeyPayload();
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildWith(payload));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventBuild);

void BM_EventCopy(benchmark::State& state) {
    const auto event = BuildWith(TwentyKeyPayload());
    for (auto _ : state) {
        benchmark::DoNotOptimize(event->Copy());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventCopy);

void BM_EventRender(benchmark::State& state) {
    const auto event = BuildWith(TwentyKeyPayload());
    for (auto _ : state) {
        benchmark::DoNotOptimize(event->ToString());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventRender);

void BM_EventTypeGetExisting(benchmark::State& state) {
    const std::string name = "com.nuvra.eventType.analytics";
    for (auto _ : state) {
        benchmark::DoNotOptimize(EventType::Get(name));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EventTypeGetExisting)->Threads(1)->Threads(8)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
