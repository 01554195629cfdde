// Start-up of a core over the native services with a cached 100 KB configuration, and a programmatic
// update of one key on a 500-key configuration, each until the configuration is published.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "services/PlatformServices.h"
#include "services/network/NetworkTestSettings.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

/** Counts the configurations published (responses without pair id) and lets a thread wait for one. */
class PublicationCounter : public InternalModule {
public:
    PublicationCounter() : InternalModule("bench.publications") {}
    std::string GetSharedStateName() const override { return "bench.publications"; }

    void Count(const std::shared_ptr<Event>& event) {
        if (!event->GetPairID().empty()) {
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        published_.notify_all();
    }

    bool WaitForCount(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return published_.wait_for(lock, 30s, [&] { return count_ >= count; });
    }

protected:
    void OnRegistered() override;

private:
    std::mutex mutex_;
    std::condition_variable published_;
    int count_ = 0;
};

class PublicationListener : public ModuleEventListener<PublicationCounter> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (auto module = GetParentModule()) {
            module->Count(event);
        }
    }
};

void PublicationCounter::OnRegistered() {
    RegisterListener<PublicationListener>(EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT);
}

std::string ConfigurationOfSize(size_t keys, size_t valueLength) {
    std::string json = "{";
    for (size_t i = 0; i < keys; ++i) {
        json += (i == 0 ? "\"key." : ",\"key.") + std::to_string(i) + "\":\"" +
                std::string(valueLength, 'v') + "\"";
    }
    return json + "}";
}

/** Native services over a temporary folder, with the configuration server on loopback. */
class Stack {
public:
    Stack() {
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        shared_ = SharedPlatformServices::Create();
    }
    ~Stack() {
        server_.Stop();
        NetworkTestSettings::SetTrustedCertificateAuthority("");
    }

    void Serve(const std::string& path, const std::string& body) {
        server_.Handle(path, [body](const LoopbackRequest&) { return LoopbackResponse{200, {}, body}; });
    }

    /** A booted core (through its hub: Start is once per process) and its publication counter. */
    std::shared_ptr<Core> Boot(std::shared_ptr<PublicationCounter>& counter) {
        auto core = Core::Create([this] {
            auto services = std::make_shared<FakePlatformServices>(shared_->CreatePlatformServices());
            services->remoteFileManagerService = std::make_shared<RewritingRemoteFileManager>(
                services->GetRemoteFileManagerService(), "https://config.nuvra.com", server_.Url(""));
            return services;
        });
        counter = std::make_shared<PublicationCounter>();
        core->GetEventHub()->RegisterModule(counter);
        core->GetEventHub()->FinishModulesRegistration([] {});
        return core;
    }

    std::filesystem::path Path(const std::string& name) const { return folders_.Root() / name; }

private:
    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    std::shared_ptr<SharedPlatformServices> shared_;
};

void BM_StartupWithCachedConfiguration(benchmark::State& state) {
    Stack stack;
    stack.Serve("/bench-app.json", ConfigurationOfSize(1070, 80));
    {
        std::shared_ptr<PublicationCounter> counter;
        auto core = stack.Boot(counter);
        core->ConfigureWithAppId("bench-app");
        if (!counter->WaitForCount(1)) {
            state.SkipWithError("the configuration was not downloaded");
        }
        core->Dispose(10s);
    }
    for (auto _ : state) {
        std::shared_ptr<PublicationCounter> counter;
        auto core = stack.Boot(counter);
        if (!counter->WaitForCount(1)) {
            state.SkipWithError("nothing was published at boot");
            break;
        }
        state.PauseTiming();
        core->Dispose(10s);
        core.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWithCachedConfiguration)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_UpdateOneKeyOf500(benchmark::State& state) {
    Stack stack;
    const auto file = stack.Path("config500.json");
    std::ofstream(file) << ConfigurationOfSize(500, 20);
    std::shared_ptr<PublicationCounter> counter;
    auto core = stack.Boot(counter);
    core->ConfigureWithFileInPath(file.string());
    int published = 1;
    if (!counter->WaitForCount(published)) {
        state.SkipWithError("the configuration file was not applied");
    }
    int64_t value = 0;
    for (auto _ : state) {
        core->UpdateConfiguration({{"key.250", Variant::FromString(std::to_string(++value))}});
        if (!counter->WaitForCount(++published)) {
            state.SkipWithError("the update was not published");
            break;
        }
    }
    core->Dispose(10s);
}
BENCHMARK(BM_UpdateOneKeyOf500)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
