// What exit does to the hit queues that send: their hits, one of them in flight, stay stored, and a fresh
// process over the same folder sends every one.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "identity/IdentityDatabaseHitSchema.h"
#include "identity/IdentityHitDatabase.h"
#include "identity/IdentityHitProcessor.h"
#include "platform/ExitStop.h"
#include "services/network/CurlSession.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NetworkTestSettings.h"
#include "signal/SignalDatabaseHitSchema.h"
#include "signal/SignalHitProcessor.h"
#include "signal/SignalHitQueue.h"
#include "support/ChildProcess.h"
#include "support/HitQueueTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "support/RedirectingNetworkService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr int kStoredHits = 5;

/** A queue of one module, with its own processor, and how to store a hit for a URL in it. */
struct SendingQueue {
    std::shared_ptr<HitQueueBase> queue;
    std::function<bool(const std::string& url)> store;
};

using SendingQueueMaker = SendingQueue (*)(const std::shared_ptr<PlatformServicesInterface>& services,
                                           const std::shared_ptr<NetworkServiceInterface>& network,
                                           const std::shared_ptr<SystemInfoServiceInterface>& systemInfo);

SendingQueue MakeSignalQueue(const std::shared_ptr<PlatformServicesInterface>& services,
                             const std::shared_ptr<NetworkServiceInterface>& network,
                             const std::shared_ptr<SystemInfoServiceInterface>& systemInfo) {
    const auto queue =
        std::make_shared<SignalHitQueue>(services, std::make_shared<SignalDatabaseHitSchema>(),
                                         std::make_shared<SignalHitProcessor>(network, systemInfo));
    return {queue, [queue](const std::string& url) {
                auto hit = std::make_shared<SignalHit>();
                hit->url = url;
                hit->timeout = 30;
                return queue->Queue(hit);
            }};
}

SendingQueue MakeIdentityQueue(const std::shared_ptr<PlatformServicesInterface>& services,
                               const std::shared_ptr<NetworkServiceInterface>& network,
                               const std::shared_ptr<SystemInfoServiceInterface>& systemInfo) {
    const auto queue = std::make_shared<IdentityHitQueue>(
        services, std::make_shared<IdentityDatabaseHitSchema>(),
        std::make_shared<IdentityHitProcessor>(network, systemInfo, nullptr, nullptr));
    return {queue, [queue](const std::string& url) {
                auto hit = std::make_shared<IdentityDatabaseHit>();
                hit->url = url;
                return queue->Queue(hit);
            }};
}

struct QueueCase {
    const char* name;
    SendingQueueMaker make;
};

/** A loopback server that counts the requests that reach it, and answers them only when told to. */
class Collector {
public:
    explicit Collector(bool answers) : answers_(answers) {
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        server_.SetDefaultHandler([this](const LoopbackRequest&) {
            arrived_.Raise();
            if (!answers_) {
                release_.Hold();
            }
            return LoopbackResponse{200, {}, ""};
        });
    }

    ~Collector() {
        release_.Open();
        server_.Stop();
        NetworkTestSettings::SetTrustedCertificateAuthority("");
    }

    std::string Url(const std::string& path) const { return server_.Url(path); }

    bool WaitForRequests(int count) const { return arrived_.WaitFor(count); }

    /** The distinct paths that reached the server. */
    std::set<std::string> Paths() const {
        std::set<std::string> paths;
        for (const auto& request : server_.Requests()) {
            paths.insert(request.path);
        }
        return paths;
    }

private:
    const bool answers_;
    // Declared before the server, so that they outlive its handlers.
    SignalCounter arrived_;
    Gate release_;
    LoopbackHttpsServer server_;
};

class ExitStopTest : public HitQueueTestFixture, public ::testing::WithParamInterface<QueueCase> {};

std::set<std::string> StoredPaths() {
    std::set<std::string> paths;
    for (int hit = 0; hit < kStoredHits; ++hit) {
        paths.insert("/hit" + std::to_string(hit));
    }
    return paths;
}

// The collector accepts every request and never answers. At exit the queue is stopped and the request in
// flight aborted: the processors take an aborted request for a refused one, yet neither that hit nor the
// ones behind it (whose requests would be refused at once) may be deleted. The exit is held right after the
// abort until the worker has ended on its own, so that only the process-wide stop, made before the abort,
// keeps the hits: not the queue's own disposal, nor a stop that comes an instant after the abort.
TEST_P(ExitStopTest, HitsStoredAtExitWithOneInFlightAreAllSentByTheNextProcess) {
    // The exit runs in a child forked from a process with no thread of an earlier test.
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    const SendingQueueMaker make = GetParam().make;
    const bool exited = RunInChildProcess([&] {
        Collector silent(false);
        const auto threading = std::make_shared<HitQueueThreadingService>();
        const auto sending =
            make(MakePlatformServices(threading), CreateNativeNetworkService(systemInfo), systemInfo);
        for (const auto& path : StoredPaths()) {
            if (!sending.store(silent.Url(path))) {
                throw std::runtime_error("a hit was not stored");
            }
        }
        sending.queue->BringOnline();
        if (!silent.WaitForRequests(1)) {
            throw std::runtime_error("no hit went out");
        }
        bool workerEnded = false;
        const auto heldAfterTheAbort =
            CurlSession::WatchEveryAbortForTesting([&] { workerEnded = threading->WaitUntilIdle(); });
        StopSendingForExit();
        if (!workerEnded) {
            throw std::runtime_error("the worker did not end after the abort");
        }
        if (!sending.queue->Dispose(std::chrono::seconds(10))) {
            throw std::runtime_error("the worker did not end");
        }
    });
    ASSERT_TRUE(exited) << "the exiting process failed";

    Collector answering(true);
    const auto network = std::make_shared<RedirectingNetworkService>(
        CreateNativeNetworkService(systemInfo), answering.Url(""), std::make_shared<NetworkLog>());
    const auto next = make(MakePlatformServices(), network, systemInfo);
    next.queue->BringOnline();
    answering.WaitForRequests(kStoredHits);
    EXPECT_TRUE(next.queue->Dispose(std::chrono::seconds(10)));
    EXPECT_EQ(StoredPaths(), answering.Paths());
    network->Dispose(0);
}

INSTANTIATE_TEST_SUITE_P(EveryQueueThatSends, ExitStopTest,
                         ::testing::Values(QueueCase{"Signal", MakeSignalQueue},
                                           QueueCase{"Identity", MakeIdentityQueue}),
                         [](const ::testing::TestParamInfo<QueueCase>& info) { return info.param.name; });

}  // namespace
}  // namespace NuvraMobile
