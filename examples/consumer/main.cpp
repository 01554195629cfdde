// Starts the SDK from an installed copy, asks for the privacy status and stops: proof that the
// installed headers, libraries and package files are enough to build and run an app.
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

#include <nuvra/core/Core.h>
#include <nuvra/services/PlatformServices.h>
#include <nuvra/shared/MobilePrivacyStatus.h>
#include <nuvra/util/Log.h>

int main() {
    using namespace NuvraMobile;
    const auto sharedServices = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    Log::SetLogLevel(LoggingMode::Error);
    core->Start([] {});
    auto answer = std::make_shared<std::promise<MobilePrivacyStatus>>();
    auto status = answer->get_future();
    core->GetPrivacyStatus([answer](MobilePrivacyStatus privacy) { answer->set_value(privacy); });
    if (status.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "nuvra_consumer: no privacy status\n");
        return 1;
    }
    std::printf("nuvra_consumer: privacy status %s\n", MobilePrivacyStatusToString(status.get()).c_str());
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    return disposed ? 0 : 1;
}
