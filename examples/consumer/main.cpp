// An app built against an installed SDK: it names its bundle folder, registers the six modules, starts
// the core, opts its user in, tracks an action, reads the privacy status back and disposes. Proof that
// the installed headers, libraries and package files are enough to build and run an app, and that
// neither the app's own headers nor its language standard get in their way.
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

#include <nuvra/Nuvra.h>

#include "core/values/Object.h"
#include "util/Log.h"

static_assert(__cplusplus >= 202002L, "the app is C++20, whatever the SDK's package flags say");

namespace {

using namespace NuvraMobile;

// The app's own classes sit beside the SDK's.
struct Screen : ConsumerApp::Object {};

void RegisterModules(const std::shared_ptr<EventHub>& hub) {
    IdentityPublicApi::Create(hub, nullptr)->RegisterIdentity();
    LifecyclePublicApi::Create(hub, nullptr)->Register();
    AnalyticsPublicApi::Create(hub, nullptr, "consumer-1.0")->RegisterExtension();
    SignalPublicApi::Create(hub, nullptr)->RegisterSignal();
    UserProfilePublicApi::Create(hub, nullptr)->RegisterUserProfile();
    PivoraPublicApi::Create(hub, nullptr)->RegisterPivora();
}

MobilePrivacyStatus AskPrivacyStatus(Core& core) {
    auto answer = std::make_shared<std::promise<MobilePrivacyStatus>>();
    auto status = answer->get_future();
    core.GetPrivacyStatus([answer](MobilePrivacyStatus privacy) { answer->set_value(privacy); });
    if (status.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        return MobilePrivacyStatus::UNKNOWN;
    }
    return status.get();
}

}  // namespace

int main() {
    const Screen screen;
    AppFolders::SetBundleDirectory(CONSUMER_BUNDLE);
    const auto sharedServices = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    Log::SetLogLevel(LoggingMode::Error);
    RegisterModules(core->GetEventHub());
    core->Start([] {});
    core->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    auto data = std::make_shared<EventData>();
    data->PutString("action", "Opened");
    core->Track(data);
    const MobilePrivacyStatus privacy = AskPrivacyStatus(*core);
    std::printf("nuvra_consumer: six modules registered, action tracked, privacy status %s\n",
                MobilePrivacyStatusToString(privacy).c_str());
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    ConsumerApp::Log(disposed ? "disposed" : "not disposed: work was dropped or did not end in time");
    return privacy == MobilePrivacyStatus::OPT_IN && disposed ? 0 : 1;
}
