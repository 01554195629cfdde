// Latency of one attribute change in a profile of 100, 1,000 and 10,000 attributes: the change in
// memory, then the whole map rewritten as JSON text into an in-memory data store (the durable write
// of the platform's store is excluded). The in-memory change alone, and the two copies of the map that
// each change publishes (shared state and response event), are measured for comparison.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/ConfigurationTestSupport.h"
#include "userprofile/UserProfilePersistentData.h"

namespace NuvraMobile {
namespace {

/** A store holding `count` attributes of mixed kinds, as a profile of that size would. */
std::shared_ptr<UserProfilePersistentData> MakeProfile(std::int64_t count) {
    auto data = std::make_shared<UserProfilePersistentData>(CreateNativeJsonUtilityService(),
                                                            std::make_shared<MemoryLocalStorageService>());
    for (std::int64_t i = 0; i < count; ++i) {
        const std::string key = "attribute." + std::to_string(i);
        switch (i % 3) {
            case 0:
                data->UpdateInMemory(key, Variant::FromString("value of attribute " + std::to_string(i)));
                break;
            case 1:
                data->UpdateInMemory(key, Variant::FromInteger(static_cast<std::int32_t>(i)));
                break;
            default:
                data->UpdateInMemory(
                    key, Variant::FromVariantMap({{"m" + std::to_string(i), Variant::FromInteger(3)}}));
        }
    }
    return data;
}

void BM_UserProfileUpdateAndPersist(benchmark::State& state) {
    const auto data = MakeProfile(state.range(0));
    std::int32_t counter = 0;
    for (auto _ : state) {
        data->UpdateInMemory("attribute.1", Variant::FromInteger(++counter));
        if (!data->Persist()) {
            state.SkipWithError("persist failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UserProfileUpdateAndPersist)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_UserProfileUpdateInMemory(benchmark::State& state) {
    const auto data = MakeProfile(state.range(0));
    std::int32_t counter = 0;
    for (auto _ : state) {
        data->UpdateInMemory("attribute.1", Variant::FromInteger(++counter));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UserProfileUpdateInMemory)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_UserProfilePublishCopies(benchmark::State& state) {
    const auto data = MakeProfile(state.range(0));
    for (auto _ : state) {
        auto published = std::make_shared<EventData>();
        published->PutVariantMap("userprofiledata", data->GetProfileDataAsMap());
        benchmark::DoNotOptimize(published->Copy());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UserProfilePublishCopies)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
