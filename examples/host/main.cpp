// The example host program: plays the app that embeds the SDK. It names its app bundle folder and the
// folder of its state, creates the core over the native services, registers Identity and Lifecycle,
// starts the core, sets the log level, applies programmatic updates given on the command line, prints the
// published configuration and the privacy status, and disposes. With --lifecycle it also reports a launch
// and a pause and prints the lifecycle shared state. `nvr_host --help` lists the options.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "HostOptions.h"
#include "core/Core.h"
#include "core/Event.h"
#include "core/EventData.h"
#include "core/EventHub.h"
#include "core/EventSource.h"
#include "core/EventType.h"
#include "core/InternalModule.h"
#include "core/ModuleEventListener.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "services/PlatformServices.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/AppInfo.h"
#include "services/system/AppFolders.h"
#include "services/ui/NativeUiService.h"
#include "shared/MobilePrivacyStatus.h"

namespace {

using namespace NuvraMobile;
using namespace NuvraHost;
namespace fs = std::filesystem;

constexpr const char* kConfigurationState = "com.nuvra.module.configuration";
constexpr const char* kLifecycleState = "com.nuvra.module.lifecycle";
constexpr const char* kBundledConfiguration = "NVBMobileConfig.json";

/** A module of the host's own, through which it reads shared states and waits for their changes. */
class StateReader : public InternalModule {
public:
    StateReader() : InternalModule("host.state.reader") {}
    std::string GetSharedStateName() const override { return "host.state.reader"; }
    std::shared_ptr<EventData> Newest(const char* stateName) {
        return GetSharedEventState(stateName, Event::SHARED_STATE_NEWEST);
    }

    void Changed(const std::string& owner) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++changes_[owner];
        changed_.notify_all();
    }
    /** Waits until the owner's state has changed `count` times in all; false after 30 s. */
    bool WaitForChanges(const std::string& owner, int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return changes_[owner] >= count; });
    }

protected:
    void OnRegistered() override { RegisterListener<ChangeListener>(EventType::HUB, EventSource::SHARED_STATE); }

private:
    class ChangeListener : public ModuleEventListener<StateReader> {
    public:
        void Hear(const std::shared_ptr<Event>& event) override {
            if (auto reader = GetParentModule()) {
                reader->Changed(event->GetData()->OptString("stateowner", ""));
            }
        }
    };

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, int> changes_;
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
// the SDK would otherwise quietly start without a configuration.
bool CheckBundle(const std::string& bundle) {
    std::error_code error;
    if (!fs::is_directory(bundle, error)) {
        std::fprintf(stderr, "nvr_host: no app bundle folder at '%s'\n", bundle.c_str());
        return false;
    }
    const fs::path configuration = fs::path(bundle) / kBundledConfiguration;
    if (!fs::exists(configuration, error)) {
        return true;
    }
    bool parsed = false;
    TrySwallow([&] {
        std::ifstream file(configuration);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        parsed = CreateNativeJsonUtilityService()->CreateJsonObject(text) != nullptr;
    });
    if (!parsed) {
        std::fprintf(stderr, "nvr_host: '%s' is not a JSON object\n", configuration.c_str());
    }
    return parsed;
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
    if (!options.bundle.empty()) {
        if (!CheckBundle(options.bundle)) {
            return 1;
        }
        AppFolders::SetBundleDirectory(options.bundle);
    }
    PrepareDataDirectory(options.dataDirectory.empty() ? DefaultDataDirectory(argv[0])
                                                       : fs::path(options.dataDirectory),
                         options.reset);

    const auto sharedServices = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    Log::SetLogLevel(options.logLevel);
    const auto reader = std::make_shared<StateReader>();
    core->GetEventHub()->RegisterModule(reader);
    // The facades use only the hub.
    IdentityPublicApi::Create(core->GetEventHub(), nullptr)->RegisterIdentity();
    LifecyclePublicApi::Create(core->GetEventHub(), nullptr)->Register();
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
    if (options.lifecycle) {
        // The boot publishes the first lifecycle state, the start the second; the pause publishes none.
        const auto ui = sharedServices->CreatePlatformServices()->GetUIService();
        ReportApplicationNotification(ui, ApplicationNotificationName::DID_FINISH_LAUNCHING);
        core->LifecycleStart({{"host.launch", "demo"}});
        core->LifecyclePause();
        ReportApplicationNotification(ui, ApplicationNotificationName::DID_ENTER_BACKGROUND);
        const bool started = reader->WaitForChanges(kLifecycleState, 2);
        std::printf("Lifecycle state (%s):\n%s\n", kLifecycleState,
                    started ? AsJson(reader->Newest(kLifecycleState)).c_str() : "(none within 30 s)");
    }
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    return disposed ? 0 : 1;
}
