// Postbacks per second through Signal's persistent queue to a loopback HTTPS server: each hit is
// stored (a durable insert), read back by the queue's worker, sent as a GET with the native network
// service over one kept-alive connection, answered 200 and deleted. For reference, the same requests
// sent straight through the network service, without the queue.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "SmokeRun.h"

#include "services/database/NativeDatabaseService.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NetworkTestSettings.h"
#include "signal/SignalHit.h"
#include "signal/SignalHitsDatabase.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {
namespace {

constexpr std::int64_t BATCH = 100;

/** A loopback server that answers 200 and lets the benchmark wait for a number of requests. */
class CountingServer {
public:
    CountingServer() {
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        server_.SetDefaultHandler([this](const LoopbackRequest&) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++received_;
            condition_.notify_all();
            return LoopbackResponse{200, {}, ""};
        });
    }
    ~CountingServer() {
        server_.Stop();
        NetworkTestSettings::SetTrustedCertificateAuthority("");
    }

    std::string Url() const { return server_.Url("/postback?campaign=spring&item=42"); }

    void WaitFor(std::int64_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [&] { return received_ >= count; });
    }

private:
    LoopbackHttpsServer server_;
    std::mutex mutex_;
    std::condition_variable condition_;
    std::int64_t received_ = 0;
};

std::shared_ptr<FakePlatformServices> MakeServices(const FileSystemTestFolder& folder) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    systemInfo->Update(
        [&folder](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = folder.Path(); });
    auto services = std::make_shared<FakePlatformServices>();
    services->systemInfoService = systemInfo;
    services->databaseService = CreateNativeDatabaseService(systemInfo);
    services->networkService = CreateNativeNetworkService(systemInfo);
    return services;
}

std::shared_ptr<SignalHit> MakeHit(const std::string& url) {
    auto hit = std::make_shared<SignalHit>();
    hit->url = url;
    hit->timeout = 2;
    return hit;
}

void BM_SignalPostbacksThroughTheQueue(benchmark::State& state) {
    CountingServer server;
    FileSystemTestFolder folder;
    const auto services = MakeServices(folder);
    SignalHitsDatabase database(services);
    std::int64_t sent = 0;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < BATCH; ++i) {
            database.Queue(MakeHit(server.Url()), i, MobilePrivacyStatus::OPT_IN);
        }
        sent += BATCH;
        server.WaitFor(sent);
    }
    database.Dispose(std::chrono::milliseconds(5000));
    services->networkService->Dispose(0);
    state.SetItemsProcessed(sent);
}
BENCHMARK(BM_SignalPostbacksThroughTheQueue)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(3.0));

void BM_SignalPostbacksStraightThroughTheNetwork(benchmark::State& state) {
    CountingServer server;
    FileSystemTestFolder folder;
    const auto services = MakeServices(folder);
    const std::map<std::string, std::string> headers = {
        {"Content-Type", "application/x-www-form-urlencoded"}};
    std::int64_t sent = 0;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < BATCH; ++i) {
            const auto connection =
                services->networkService->ConnectUrl(server.Url(), HttpCommandType::GET, "", headers, 2, 2);
            if (!connection || connection->GetResponseCode() != 200) {
                state.SkipWithError("request failed");
                return;
            }
            connection->Close();
        }
        sent += BATCH;
    }
    services->networkService->Dispose(0);
    state.SetItemsProcessed(sent);
}
BENCHMARK(BM_SignalPostbacksStraightThroughTheNetwork)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(MinTimeOrSmoke(3.0));

}  // namespace
}  // namespace NuvraMobile
