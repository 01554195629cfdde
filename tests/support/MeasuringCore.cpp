#include "support/MeasuringCore.h"

#include <gtest/gtest.h>

#include "analytics/Analytics.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "identity/Identity.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "services/PlatformServices.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {

MeasuringCore StartMeasuringCore(SharedPlatformServices& shared, const LoopbackHttpsServer& server,
                                 bool withLifecycle, std::shared_ptr<LoggingServiceInterface> logging) {
    MeasuringCore started;
    started.core = Core::Create([&shared, &server, &logging] {
        auto services = std::make_shared<FakePlatformServices>(shared.CreatePlatformServices());
        services->remoteFileManagerService = std::make_shared<RewritingRemoteFileManager>(
            services->GetRemoteFileManagerService(), "https://config.nuvra.com", server.Url(""));
        if (logging) {
            services->loggingService = logging;
        }
        return services;
    });
    const auto hub = started.core->GetEventHub();
    hub->RegisterModule<Identity>();
    if (withLifecycle) {
        LifecyclePublicApi::Create(hub, nullptr)->Register();
    }
    hub->RegisterModule(std::make_shared<Analytics>());
    started.observer = std::make_shared<ObserverModule>();
    hub->RegisterModule(started.observer);
    BootCore(*started.core);
    EXPECT_NE(nullptr, started.observer->WaitForName("EventHub"));
    return started;
}

}  // namespace NuvraMobile
