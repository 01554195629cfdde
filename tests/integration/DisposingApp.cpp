// A C++ app that disposes its core while a hit is in flight. CoreDisposeProcessTest runs it as a process of
// its own, with its data folders in XDG_DATA_HOME and XDG_CACHE_HOME; a clean end is status 0. Its first
// argument names the case:
//   silent LIMIT
//            its collector accepts every hit and never answers; it prints "port <the collector's port>",
//            tracks, and once the hit is in flight prints "disposing <time>", disposes its core with a limit
//            of LIMIT ms, prints "disposed <time>" and "in time: yes" or "no" (then it disposes its core again,
//            waiting up to 10 s for the disposal to end), disposes its services, prints "services disposed
//            <time>", then "beside the stores:" and
//            the write-ahead logs, shared-memory files and journals then in its data folders, and returns
//            from main (status 4: no hit in 30 s)
//   deliver PORT
//            its collector, on the port of an earlier silent run (a stored hit names its server), answers;
//            it tracks nothing and waits (30 s at most) for the hit that run tracked (status 5: none came)
// A <time> is CLOCK_MONOTONIC's (the steady clock's) in nanoseconds.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "analytics/AnalyticsPublicApi.h"
#include "core/Core.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "identity/IdentityPublicApi.h"
#include "services/PlatformServices.h"
#include "support/FileSystemTestFolder.h"
#include "support/HelperAppCollector.h"

namespace {

using namespace NuvraMobile;

constexpr int kNoHitInFlight = 4;
constexpr int kNoStoredHitDelivered = 5;
constexpr const char* kStoredAction = "stored-at-dispose";

HelperAppCollector* collector = nullptr;

void Configure(Core& core) {
    const std::string host = "127.0.0.1:" + std::to_string(collector->Port());
    core.UpdateConfiguration({{"analytics.server", Variant::FromString(host)},
                              {"analytics.rsids", Variant::FromString("rs")},
                              {"skyloom.org", Variant::FromString("ORG1")},
                              {"skyloom.server", Variant::FromString(host)},
                              {"global.privacy", Variant::FromString("optedin")}});
}

void TrackStoredAction(Core& core) {
    auto data = std::make_shared<EventData>();
    data->PutString("action", kStoredAction);
    core.Track(data);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "silent";
    const int argument = argc > 2 ? std::atoi(argv[2]) : 0;
    collector = &HelperAppCollector::Start(mode != "silent", mode == "deliver" ? argument : 0, kStoredAction);
    if (mode == "silent") {
        std::printf("port %d\n", collector->Port());
        std::fflush(stdout);
    }
    const auto sharedServices = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    const auto hub = core->GetEventHub();
    IdentityPublicApi::Create(hub, nullptr)->RegisterIdentity();
    const auto analytics = AnalyticsPublicApi::Create(hub, nullptr, "DisposingApp");
    analytics->RegisterExtension();
    core->Start([] {});
    Configure(*core);
    if (mode == "deliver") {
        return collector->WaitForTheStoredHit() ? 0 : kNoStoredHitDelivered;
    }
    TrackStoredAction(*core);
    analytics->SendQueuedHits();
    if (!collector->WaitForAHit()) {
        return kNoHitInFlight;
    }
    HelperAppCollector::PrintNow("disposing");
    const bool disposed = core->Dispose(std::chrono::milliseconds(argument));
    HelperAppCollector::PrintNow("disposed");
    std::printf("in time: %s\n", disposed ? "yes" : "no");
    // What its time left goes on in the background: an app that closes its files waits for it first.
    if (!disposed) {
        core->Dispose(std::chrono::seconds(10));
    }
    sharedServices->Dispose(std::chrono::milliseconds(0));
    HelperAppCollector::PrintNow("services disposed");
    std::printf("beside the stores:");
    for (const char* folder : {std::getenv("XDG_DATA_HOME"), std::getenv("XDG_CACHE_HOME")}) {
        for (const std::string& name : FilesBesideDatabases(folder ? folder : "")) {
            std::printf(" %s", name.c_str());
        }
    }
    std::printf("\n");
    return 0;
}
