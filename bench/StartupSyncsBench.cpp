// Disk syncs from Core::Create until the loopback collector has the first hit, on a first start in empty
// app folders: Configuration, Identity and Analytics over the native services, one track. Every durable
// file of the SDK is an SQLite database, so SQLite's sync requests are every sync; they are counted by a
// file-system layer under SQLite. Target: at most 13 (one writes the defaults store's table, so that a power
// failure on the first launch cannot leave a store without it). The label lists the syncs per file.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "SyncCountingVfs.h"
#include "analytics/AnalyticsPublicApi.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "identity/Identity.h"
#include "services/PlatformServices.h"
#include "services/network/NetworkTestSettings.h"
#include "support/ConfigurationTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ThreadSignals.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

// Starts a core in fresh folders, tracks once and waits for the hit; the syncs made meanwhile.
std::int64_t SyncsUntilFirstHit(std::map<std::string, std::int64_t>& byFile) {
    SyncCountingVfs& syncs = SyncCountingVfs::Install();
    ScopedAppFolders folders;
    Gate firstHit;
    LoopbackHttpsServer server;
    NetworkTestSettings::SetTrustedCertificateAuthority(server.CertificateAuthorityPem());
    server.Handle("/id", [](const LoopbackRequest&) {
        return LoopbackResponse{200, {}, R"({"d_mid":"M1","id_sync_ttl":600})"};
    });
    server.SetDefaultHandler([&firstHit](const LoopbackRequest&) {
        firstHit.Open();
        return LoopbackResponse{200, {}, ""};
    });
    const std::map<std::string, std::int64_t> before = syncs.SyncsByFile();
    const std::int64_t start = syncs.Syncs();
    auto shared = SharedPlatformServices::Create();
    auto core = Core::Create([&shared] { return shared->CreatePlatformServices(); });
    const auto hub = core->GetEventHub();
    hub->RegisterModule<Identity>();
    AnalyticsPublicApi::Create(hub, nullptr, "OIP-bench")->RegisterExtension();
    core->Start([] {});
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    core->UpdateConfiguration({{"analytics.server", Variant::FromString(host)},
                               {"analytics.rsids", Variant::FromString("rs")},
                               {"global.privacy", Variant::FromString("optedin")},
                               {"skyloom.org", Variant::FromString("ORG1")},
                               {"skyloom.server", Variant::FromString(host)}});
    auto data = std::make_shared<EventData>();
    data->PutString("action", "first");
    core->Track(data);
    const bool received = firstHit.Wait(std::chrono::seconds(30));
    const std::int64_t counted = syncs.Syncs() - start;
    byFile.clear();
    for (const auto& [file, count] : syncs.SyncsByFile()) {
        const auto earlier = before.find(file);
        const std::int64_t made = count - (earlier == before.end() ? 0 : earlier->second);
        if (made > 0) {
            byFile[std::filesystem::path(file).filename().string()] += made;
        }
    }
    NetworkTestSettings::SetTrustedCertificateAuthority("");
    return received ? counted : -1;
}

void BM_StartupSyncsUntilFirstHit(benchmark::State& state) {
    Log::SetLogLevel(LoggingMode::Error);
    std::int64_t syncs = 0;
    std::map<std::string, std::int64_t> byFile;
    for (auto _ : state) {
        syncs = SyncsUntilFirstHit(byFile);
        if (syncs < 0) {
            state.SkipWithError("the first hit did not arrive");
        }
    }
    std::string label;
    for (const auto& [file, count] : byFile) {
        label += (label.empty() ? "" : " ") + file + ":" + std::to_string(count);
    }
    state.SetLabel(label);
    state.counters["syncs"] = static_cast<double>(syncs);
    state.counters["syncs_target_max"] = 13;
}
BENCHMARK(BM_StartupSyncsUntilFirstHit)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
