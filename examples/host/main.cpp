// The example host program: a small app that measures. It names its app bundle folder and the folder of
// its state, starts a collector on 127.0.0.1 that stands in for the measurement and identity servers,
// creates the core over the native services, registers Identity, Lifecycle and Analytics, starts the
// core, applies programmatic updates given on the command line, prints the published configuration and
// the privacy status, reports a launch, makes its track calls, reports a pause, and waits until the hits
// have arrived at the collector, which prints each one decoded. `nvr_host --help` lists the options.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "Collector.h"
#include "HostOptions.h"
#include "analytics/AnalyticsPublicApi.h"
#include "core/Core.h"
#include "core/Event.h"
#include "core/EventData.h"
#include "core/EventHub.h"
#include "core/InternalModule.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "services/PlatformServices.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/AppInfo.h"
#include "services/storage/ExtensionVersionManager.h"
#include "services/system/AppFolders.h"
#include "platformShim/JsonObject.h"
#include "services/ui/NativeUiService.h"
#include "shared/MobilePrivacyStatus.h"

namespace {

using namespace NuvraMobile;
using namespace NuvraHost;
namespace fs = std::filesystem;

constexpr const char* kConfigurationState = "com.nuvra.module.configuration";
constexpr const char* kLifecycleState = "com.nuvra.module.lifecycle";
constexpr const char* kBundledConfiguration = "NVBMobileConfig.json";

/** A module of the host's own, through which it reads shared states. */
class StateReader : public InternalModule {
public:
    StateReader() : InternalModule("host.state.reader") {}
    std::string GetSharedStateName() const override { return "host.state.reader"; }
    std::shared_ptr<EventData> Newest(const char* stateName) {
        return GetSharedEventState(stateName, Event::SHARED_STATE_NEWEST);
    }
};

fs::path DefaultDataDirectory(const char* program) {
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        executable = fs::absolute(program, error);
    }
    return executable.parent_path() / "nvr_host_data";
}

// The bundle must exist, and its packaged configuration, when there is one, must be a JSON object:
// the SDK would otherwise quietly start without a configuration. `analyticsServer` gets the server the
// packaged configuration names ("" when none).
bool CheckBundle(const std::string& bundle, std::string& analyticsServer) {
    std::error_code error;
    if (!fs::is_directory(bundle, error)) {
        std::fprintf(stderr, "nvr_host: no app bundle folder at '%s'\n", bundle.c_str());
        return false;
    }
    const fs::path configuration = fs::path(bundle) / kBundledConfiguration;
    if (!fs::exists(configuration, error)) {
        return true;
    }
    std::shared_ptr<JsonObject> json;
    TrySwallow([&] {
        std::ifstream file(configuration);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        json = CreateNativeJsonUtilityService()->CreateJsonObject(text);
    });
    if (!json) {
        std::fprintf(stderr, "nvr_host: '%s' is not a JSON object\n", configuration.c_str());
        return false;
    }
    TrySwallow([&] { analyticsServer = json->GetString("analytics.server"); });
    return true;
}

/** The port of a "127.0.0.1:<port>" server, or 0. */
int LoopbackPort(const std::string& server) {
    const std::string prefix = "127.0.0.1:";
    if (server.rfind(prefix, 0) != 0) {
        return 0;
    }
    int port = 0;
    TrySwallow([&] { port = std::stoi(server.substr(prefix.size())); });
    return port > 0 && port < 65536 ? port : 0;
}

// Clears the state of earlier runs when asked and says where the state lives; the SDK keeps its data
// stores and caches there, so updates and identifiers of one run carry into the next.
void PrepareDataDirectory(const fs::path& folder, bool reset) {
    std::error_code error;
    if (reset) {
        fs::remove_all(folder, error);
    }
    const bool carried = fs::is_directory(folder, error) && !fs::is_empty(folder, error);
    if (carried) {
        std::printf("State of earlier runs in %s (--reset clears it)\n", folder.c_str());
    } else {
        std::printf("Fresh state in %s\n", folder.c_str());
    }
    AppInfo::SetDataDirectory((folder / "data").string());
    AppFolders::SetCacheDirectory((folder / "cache").string());
}

MobilePrivacyStatus AskPrivacyStatus(Core& core) {
    auto answer = std::make_shared<std::promise<MobilePrivacyStatus>>();
    auto future = answer->get_future();
    core.GetPrivacyStatus([answer](MobilePrivacyStatus status) { answer->set_value(status); });
    if (future.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "nvr_host: no privacy status within 30 s\n");
        return MobilePrivacyStatus::UNKNOWN;
    }
    return future.get();
}

/** What the facade hands its callback, or `fallback` when no answer came within 10 s. */
template <class Value, class Call>
Value Ask(Call call, Value fallback) {
    auto answer = std::make_shared<std::promise<Value>>();
    auto future = answer->get_future();
    call([answer](Value value) { answer->set_value(value); });
    return future.wait_for(std::chrono::seconds(10)) == std::future_status::ready ? future.get() : fallback;
}

std::vector<TrackCall> DefaultScript() {
    return {{true, "Home", {{"section", "start"}}},
            {false, "AddToCart", {{"product", "green tea"}, {"price", "4.50"}}},
            {false, "Checkout", {{"items", "1"}}}};
}

void Track(Core& core, const TrackCall& call) {
    auto data = std::make_shared<EventData>();
    data->PutString(call.isState ? "state" : "action", call.name);
    data->PutStringMap("contextdata", call.contextData);
    core.Track(data);
    std::printf("Tracked %s \"%s\"\n", call.isState ? "state" : "action", call.name.c_str());
}

/**
 * Waits until the stored hits are gone and at least `expected` hits arrived (a launch hit comes on top
 * of them only when the launch opened a new session); gives up after 20 s. Returns the hits that arrived.
 */
int WaitForDelivery(AnalyticsPublicApi& analytics, const Collector& collector, int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        const int arrived = collector.HitCount();
        const auto stored = Ask<std::int64_t>([&](auto callback) { analytics.GetQueueSize(callback); }, -1);
        if (stored == 0 && arrived >= expected) {
            return arrived;
        }
        collector.WaitForMoreHitsThan(arrived, std::chrono::milliseconds(250));
    }
    return collector.HitCount();
}

std::string AsJson(const std::shared_ptr<EventData>& data) {
    return data ? CreateNativeJsonUtilityService()->EventDataToJsonObject(data).Value()->ToString() : "(none)";
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    switch (ParseHostOptions(argc, argv, options)) {
        case ParseOutcome::ShowHelp:
            std::fputs(HostUsage(), stdout);
            return 0;
        case ParseOutcome::Invalid:
            return 2;
        case ParseOutcome::Run:
            break;
    }
    std::string bundledServer;
    if (!options.bundle.empty()) {
        if (!CheckBundle(options.bundle, bundledServer)) {
            return 1;
        }
        AppFolders::SetBundleDirectory(options.bundle);
    }
    PrepareDataDirectory(options.dataDirectory.empty() ? DefaultDataDirectory(argv[0])
                                                       : fs::path(options.dataDirectory),
                         options.reset);
    Collector collector(LoopbackPort(bundledServer));
    if (collector.Host() != bundledServer) {
        // The bundle names another server, or its port was taken: the servers move to the collector.
        std::printf("Pointing the servers at the collector (%s)\n", collector.Host().c_str());
        options.updates.emplace("analytics.server", Variant::FromString(collector.Host()));
        options.updates.emplace("skyloom.server", Variant::FromString(collector.Host()));
    }

    const auto sharedServices = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    Log::SetLogLevel(options.logLevel);
    const auto hub = core->GetEventHub();
    const auto reader = std::make_shared<StateReader>();
    hub->RegisterModule(reader);
    // The facades use only the hub.
    IdentityPublicApi::Create(hub, nullptr)->RegisterIdentity();
    LifecyclePublicApi::Create(hub, nullptr)->Register();
    const auto analytics =
        AnalyticsPublicApi::Create(hub, nullptr, "OIP-2.2.1-" + ExtensionVersionManager::GetSdkVersion());
    analytics->RegisterExtension();
    core->Start([] {});
    if (!options.updates.empty()) {
        core->UpdateConfiguration(options.updates);
    }
    // Answered by the Configuration module after every request queued before it, so the
    // configuration it is asked after is the one published for them.
    const MobilePrivacyStatus privacy = AskPrivacyStatus(*core);
    std::printf("Published configuration (%s):\n%s\n", kConfigurationState,
                AsJson(reader->Newest(kConfigurationState)).c_str());
    std::printf("Privacy status: %s\n", MobilePrivacyStatusToString(privacy).c_str());

    // The host tells the UI service about the app's launch and its move to the background.
    const auto ui = sharedServices->CreatePlatformServices()->GetUIService();
    ReportApplicationNotification(ui, ApplicationNotificationName::DID_FINISH_LAUNCHING);
    core->LifecycleStart({{"host.launch", "demo"}});
    const auto tracks = options.tracks.empty() ? DefaultScript() : options.tracks;
    for (const auto& call : tracks) {
        Track(*core, call);
    }
    core->LifecyclePause();
    ReportApplicationNotification(ui, ApplicationNotificationName::DID_ENTER_BACKGROUND);
    // Offline batching may hold the last hits back; the app asks for them to be sent now.
    analytics->SendQueuedHits();
    const int arrived =
        privacy == MobilePrivacyStatus::OPT_IN ? WaitForDelivery(*analytics, collector, static_cast<int>(tracks.size()))
                                               : 0;
    if (options.lifecycle) {
        std::printf("Lifecycle state (%s):\n%s\n", kLifecycleState, AsJson(reader->Newest(kLifecycleState)).c_str());
    }
    std::printf("Analytics id: %s\n",
                Ask<std::string>([&](auto callback) { analytics->GetTrackingIdentifier(callback); }, "(no answer)")
                    .c_str());
    std::printf("Hits still stored: %lld\n",
                static_cast<long long>(
                    Ask<std::int64_t>([&](auto callback) { analytics->GetQueueSize(callback); }, -1)));
    std::printf("Hits received by the collector: %d\n", arrived);

    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    if (privacy == MobilePrivacyStatus::OPT_IN && arrived == 0) {
        std::fprintf(stderr, "nvr_host: no hit reached the collector\n");
        return 1;
    }
    return disposed ? 0 : 1;
}
