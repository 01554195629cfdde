// Sequential small POSTs to a loopback HTTPS server through the network service: with one (read, connect)
// timeout pair, so the connection is reused, and with a fresh connection (a new service) per request.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "services/network/NativeNetworkService.h"
#include "services/network/NetworkTestSettings.h"

// The benchmarks link only the library: the test helpers come in as sources.
#include "support/FakeSystemInfoService.h"
#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {
namespace {

constexpr const char* PAYLOAD =
    "ndh=1&t=00%2F00%2F0000%2000%3A00%3A00%200%20-60&pe=lnk_o&pev2=AMACTION%3Aclick";

struct Fixture {
    Fixture() {
        server.Handle("/b/ss", [](const LoopbackRequest&) { return LoopbackResponse{200, {}, "{}"}; });
        NetworkTestSettings::SetTrustedCertificateAuthority(server.CertificateAuthorityPem());
    }
    ~Fixture() { NetworkTestSettings::SetTrustedCertificateAuthority(""); }

    LoopbackHttpsServer server;
    std::shared_ptr<SystemInfoServiceInterface> systemInfo = std::make_shared<FakeSystemInfoService>();
};

bool Post(NetworkServiceInterface& service, const std::string& url) {
    auto connection = service.ConnectUrl(url, HttpCommandType::POST, PAYLOAD,
                                         {{"Content-Type", "application/x-www-form-urlencoded"}}, 30, 30);
    return connection && connection->GetResponseCode() == 200;
}

void BM_SequentialPostsReusingTheConnection(benchmark::State& state) {
    Fixture fixture;
    std::string url = fixture.server.Url("/b/ss");
    auto service = CreateNativeNetworkService(fixture.systemInfo);
    for (auto _ : state) {
        if (!Post(*service, url)) {
            state.SkipWithError("request failed");
            break;
        }
    }
    service->Dispose(0);
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SequentialPostsReusingTheConnection)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_SequentialPostsFreshConnectionEach(benchmark::State& state) {
    Fixture fixture;
    std::string url = fixture.server.Url("/b/ss");
    for (auto _ : state) {
        auto service = CreateNativeNetworkService(fixture.systemInfo);
        bool answered = Post(*service, url);
        service->Dispose(0);
        if (!answered) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SequentialPostsFreshConnectionEach)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace NuvraMobile
