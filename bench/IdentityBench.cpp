// Identity throughput.
// BM_IdentifierRequests: identifier requests (as the public getters send them) answered from the module's
// state holding 20 customer ids, on a real hub: from dispatch to the one-time callback.
// BM_SyncHitBuildAndQueue: the sync path of one new customer id (decision, URL, merge, persistence in a
// store in memory, shared state) with the request stored durably in a fresh identity database.

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/database/NativeDatabaseService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/BootStateModule.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/ManualTaskExecutor.h"

namespace NuvraMobile {
namespace {

constexpr int kRequests = 10000;
constexpr int kCustomerIds = 20;

// Known configuration with an organisation and privacy unknown: syncs are stored, never sent.
std::shared_ptr<EventData> Configuration() {
    return std::make_shared<EventData>(std::map<std::string, std::string>{
        {"skyloom.org", "ORG1"}, {"global.privacy", "optunknown"}, {"skyloom.server", "identity.example"}});
}

std::shared_ptr<FakePlatformServices> MakeServices(const FileSystemTestFolder& folder) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    systemInfo->Update([&folder](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = folder.Path(); });
    auto services = std::make_shared<FakePlatformServices>();
    services->systemInfoService = systemInfo;
    services->databaseService = CreateNativeDatabaseService(systemInfo);
    services->localStorageService = std::make_shared<MemoryLocalStorageService>();
    services->jsonUtilityService = CreateNativeJsonUtilityService();
    services->cryptoService = CreateNativeCryptoService();
    return services;
}

std::shared_ptr<EventData> SyncData(const std::map<std::string, std::string>& ids) {
    auto data = std::make_shared<EventData>();
    data->PutStringMap("visitoridentifiers", ids);
    data->PutBoolean("issyncevent", true);
    data->PutInteger("authenticationstate", 1);
    return data;
}

std::shared_ptr<Event> IdentityRequest(const std::shared_ptr<EventData>& data) {
    return EventBuilder("IdentityRequestIdentity", EventType::IDENTITY, EventSource::REQUEST_IDENTITY)
        .SetData(data)
        .Build();
}

/** Counts answers and lets the benchmark wait for a number of them. */
class Answers {
public:
    void Add() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        condition_.notify_all();
    }
    void WaitFor(long count) {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    long count_ = 0;
};

void BM_IdentifierRequests(benchmark::State& state) {
    FileSystemTestFolder folder;
    const auto services = MakeServices(folder);
    const auto hub = EventHub::Create("bench", [services] { return services; });
    hub->RegisterModule(std::make_shared<BootStateModule>("com.nuvra.module.configuration", Configuration()));
    hub->RegisterModule(std::make_shared<Identity>());
    hub->FinishModulesRegistration([] {});

    std::map<std::string, std::string> ids;
    for (int index = 0; index < kCustomerIds; ++index) {
        ids["type" + std::to_string(index)] = "customer-id-" + std::to_string(index);
    }
    hub->Dispatch(IdentityRequest(SyncData(ids)));
    Answers answers;
    long expected = 0;
    const auto ask = [&] {
        const auto request = IdentityRequest(std::make_shared<EventData>());
        hub->RegisterOneTimeListener<Identity>(request->GetResponsePairID(),
                                               [&answers](const std::shared_ptr<Event>&) { answers.Add(); });
        hub->Dispatch(request);
    };
    ask();  // answered after the sync: the state holds the 20 ids from here on
    answers.WaitFor(++expected);

    for (auto _ : state) {
        for (int index = 0; index < kRequests; ++index) {
            ask();
        }
        expected += kRequests;
        answers.WaitFor(expected);
    }
    state.SetItemsProcessed(state.iterations() * kRequests);
    hub->Dispose(std::chrono::seconds(10));
}
BENCHMARK(BM_IdentifierRequests)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncHitBuildAndQueue(benchmark::State& state) {
    FileSystemTestFolder folder;
    const auto services = MakeServices(folder);
    const auto hub = std::make_shared<FakeEventHub>();
    const auto executor = std::make_shared<ManualTaskExecutor>();
    const auto module = std::make_shared<Identity>();
    hub->Register(module, executor, services);
    const auto view = std::make_shared<ConfigurationSharedStateIdentity>(Configuration());
    long index = 0;
    for (auto _ : state) {
        const auto event = IdentityRequest(SyncData({{"crm" + std::to_string(index % 50), std::to_string(index)}}));
        ++index;
        benchmark::DoNotOptimize(module->HandleSyncIdentifiers(event, view));
    }
    state.SetItemsProcessed(state.iterations());
    executor->RunAll();
    executor->Dispose();
}
BENCHMARK(BM_SyncHitBuildAndQueue)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
