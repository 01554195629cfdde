// The example host program: plays the app that embeds the SDK. It names its app bundle folder, creates
// and starts the core over the native services, sets the log level, applies programmatic updates given
// on the command line, prints the published configuration and the privacy status, and disposes.
//
//   nvr_host [--bundle DIR] [--log-level error|warning|debug|trace] [--update KEY=VALUE]...

#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/Event.h"
#include "core/EventData.h"
#include "core/EventHub.h"
#include "core/InternalModule.h"
#include "core/Variant.h"
#include "services/PlatformServices.h"
#include "services/system/AppFolders.h"
#include "shared/MobilePrivacyStatus.h"
#include "util/Log.h"

namespace {

using namespace NuvraMobile;

constexpr const char* kConfigurationState = "com.nuvra.module.configuration";

/** A module of the host's own, through which it reads the configuration shared state. */
class ConfigurationReader : public InternalModule {
public:
    ConfigurationReader() : InternalModule("host.configuration.reader") {}
    std::string GetSharedStateName() const override { return "host.configuration.reader"; }
    std::shared_ptr<EventData> Newest() {
        return GetSharedEventState(kConfigurationState, Event::SHARED_STATE_NEWEST);
    }
};

struct Options {
    std::string bundle;
    LoggingMode logLevel = LoggingMode::Error;
    std::map<std::string, std::shared_ptr<Variant>> updates;
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
                         "[--update KEY=VALUE]...\n");
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
    const auto reader = std::make_shared<ConfigurationReader>();
    core->GetEventHub()->RegisterModule(reader);
    core->Start([] {});
    if (!options.updates.empty()) {
        core->UpdateConfiguration(options.updates);
    }
    // Answered by the Configuration module after every request queued before it, so the
    // configuration it is asked after is the one published for them.
    const MobilePrivacyStatus privacy = AskPrivacyStatus(*core);
    const auto configuration = reader->Newest();
    std::printf("Published configuration (%s):\n%s\n", kConfigurationState,
                configuration ? configuration->PrettyString(1).c_str() : "(none)");
    std::printf("Privacy status: %s\n", MobilePrivacyStatusToString(privacy).c_str());
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    return disposed ? 0 : 1;
}
