// An app built against an installed SDK: it names its bundle folder, registers the six modules, starts
// the core, opts its user in, tracks an action, reads the privacy status back and disposes. Proof that
// the installed headers, libraries and package files are enough to build and run an app, and that
// neither the app's own headers nor its language standard get in their way.
#include <chrono>
#include <cstdint>
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

std::shared_ptr<AnalyticsPublicApi> RegisterModules(const std::shared_ptr<EventHub>& hub) {
    IdentityPublicApi::Create(hub, nullptr)->RegisterIdentity();
    LifecyclePublicApi::Create(hub, nullptr)->Register();
    auto analytics = AnalyticsPublicApi::Create(hub, nullptr, "consumer-1.0");
    analytics->RegisterExtension();
    SignalPublicApi::Create(hub, nullptr)->RegisterSignal();
    UserProfilePublicApi::Create(hub, nullptr)->RegisterUserProfile();
    PivoraPublicApi::Create(hub, nullptr)->RegisterPivora();
    return analytics;
}

/** The hits stored and the track calls still waiting to be built into hits; -1 without an answer. */
std::int64_t AskQueueSize(AnalyticsPublicApi& analytics) {
    auto answer = std::make_shared<std::promise<std::int64_t>>();
    auto size = answer->get_future();
    analytics.GetQueueSize([answer](std::int64_t count) { answer->set_value(count); });
    return size.wait_for(std::chrono::seconds(30)) == std::future_status::ready ? size.get() : -1;
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
    const auto analytics = RegisterModules(core->GetEventHub());
    core->Start([] {});
    core->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    auto data = std::make_shared<EventData>();
    data->PutString("action", "Opened");
    core->Track(data);
    const MobilePrivacyStatus privacy = AskPrivacyStatus(*core);
    std::printf("nuvra_consumer: six modules registered, action tracked, privacy status %s\n",
                MobilePrivacyStatusToString(privacy).c_str());
    // Without a configuration that names a server the action waits in memory, unbuilt: Dispose drops it and
    // says so with false.
    const std::int64_t waiting = AskQueueSize(*analytics);
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    const bool droppedOnlyTheWaitingAction = !disposed && waiting > 0;
    ConsumerApp::Log(disposed                    ? "disposed"
                     : droppedOnlyTheWaitingAction ? "disposed, dropping the action that waited for a configuration"
                                                   : "not disposed: work was dropped or did not end in time");
    return privacy == MobilePrivacyStatus::OPT_IN && (disposed || droppedOnlyTheWaitingAction) ? 0 : 1;
}
