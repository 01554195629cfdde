// The example host program: plays the app that embeds the SDK. It names its app bundle folder, creates
// the core over the native services, registers Identity and Lifecycle, starts the core, sets the log
// level, applies programmatic updates given on the command line, prints the published configuration and
// the privacy status, and disposes. With --lifecycle it also reports a launch and a pause and prints the
// lifecycle shared state.
//
//   nvr_host [--bundle DIR] [--log-level error|warning|debug|trace] [--update KEY=VALUE]... [--lifecycle]

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/Event.h"
#include "core/EventData.h"
#include "core/EventHub.h"
#include "core/EventSource.h"
#include "core/EventType.h"
#include "core/InternalModule.h"
#include "core/ModuleEventListener.h"
#include "core/Variant.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "services/PlatformServices.h"
#include "services/system/AppFolders.h"
#include "shared/MobilePrivacyStatus.h"
#include "util/Log.h"

namespace {

using namespace NuvraMobile;

constexpr const char* kConfigurationState = "com.nuvra.module.configuration";
constexpr const char* kLifecycleState = "com.nuvra.module.lifecycle";

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

struct Options {
    std::string bundle;
    LoggingMode logLevel = LoggingMode::Error;
    std::map<std::string, std::shared_ptr<Variant>> updates;
    bool lifecycle = false;
};

bool ParseLogLevel(const std::string& text, LoggingMode& level) {
    static const std::map<std::string, LoggingMode> levels = {{"error", LoggingMode::Error},
                                                              {"warning", LoggingMode::Warning},
                                                              {"debug", LoggingMode::Debug},
                                                              {"trace", LoggingMode::Trace}};
    const auto found = levels.find(text);
    if (found == levels.end()) {
        return false;
    }
    level = found->second;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--bundle" && hasValue) {
            options.bundle = argv[++i];
        } else if (argument == "--log-level" && hasValue) {
            if (!ParseLogLevel(argv[++i], options.logLevel)) {
                std::fprintf(stderr, "unknown log level: %s\n", argv[i]);
                return false;
            }
        } else if (argument == "--lifecycle") {
            options.lifecycle = true;
        } else if (argument == "--update" && hasValue) {
            const std::string update = argv[++i];
            const auto equals = update.find('=');
            if (equals == std::string::npos || equals == 0) {
                std::fprintf(stderr, "an update is KEY=VALUE: %s\n", update.c_str());
                return false;
            }
            options.updates[update.substr(0, equals)] = Variant::FromString(update.substr(equals + 1));
        } else {
            std::fprintf(stderr,
                         "usage: nvr_host [--bundle DIR] [--log-level error|warning|debug|trace] "
                         "[--update KEY=VALUE]... [--lifecycle]\n");
            return false;
        }
    }
    return true;
}

MobilePrivacyStatus AskPrivacyStatus(Core& core) {
    auto answer = std::make_shared<std::promise<MobilePrivacyStatus>>();
    auto future = answer->get_future();
    core.GetPrivacyStatus([answer](MobilePrivacyStatus status) { answer->set_value(status); });
    if (future.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "no privacy status within 30 s\n");
        return MobilePrivacyStatus::UNKNOWN;
    }
    return future.get();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    if (!options.bundle.empty()) {
        AppFolders::SetBundleDirectory(options.bundle);
    }
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
    const auto configuration = reader->Newest(kConfigurationState);
    std::printf("Published configuration (%s):\n%s\n", kConfigurationState,
                configuration ? configuration->PrettyString(1).c_str() : "(none)");
    std::printf("Privacy status: %s\n", MobilePrivacyStatusToString(privacy).c_str());
    if (options.lifecycle) {
        // The boot publishes the first lifecycle state, the start the second; the pause publishes none.
        core->LifecycleStart({{"host.launch", "demo"}});
        core->LifecyclePause();
        const bool started = reader->WaitForChanges(kLifecycleState, 2);
        const auto lifecycle = reader->Newest(kLifecycleState);
        std::printf("Lifecycle state (%s):\n%s\n", kLifecycleState,
                    started && lifecycle ? lifecycle->PrettyString(1).c_str() : "(none within 30 s)");
    }
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    return disposed ? 0 : 1;
}
