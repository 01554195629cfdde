#include "HostOptions.h"

#include <cstdio>
#include <vector>

#include "HostUsage.h"
#include "core/values/SdkError.h"
#include "platformShim/JsonArraySerializer.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraHost {

using namespace NuvraMobile;

namespace {

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

// The value as JSON when it parses as exactly one JSON value, else as text.
std::shared_ptr<Variant> UpdateValue(const std::string& text) {
    const auto json = CreateNativeJsonUtilityService();
    std::vector<std::shared_ptr<Variant>> elements;
    TrySwallow([&] {
        const auto array = json->CreateJsonArray("[" + text + "]");
        JsonArraySerializer(json).Serialize(*array)->GetVariantVector(elements);
    });
    return elements.size() == 1 && elements.front() ? elements.front() : Variant::FromString(text);
}

bool ParseUpdate(const std::string& update, HostOptions& options) {
    const auto equals = update.find('=');
    if (equals == std::string::npos || equals == 0) {
        std::fprintf(stderr, "nvr_host: an update is KEY=VALUE, not '%s'\n", update.c_str());
        return false;
    }
    options.updates[update.substr(0, equals)] = UpdateValue(update.substr(equals + 1));
    return true;
}

// "KEY=VALUE" of --data, added to the context data of the track call before it.
bool ParseContextData(const std::string& entry, HostOptions& options) {
    const auto equals = entry.find('=');
    if (options.tracks.empty()) {
        std::fprintf(stderr, "nvr_host: --data belongs to an --action or --state before it\n");
        return false;
    }
    if (equals == std::string::npos || equals == 0) {
        std::fprintf(stderr, "nvr_host: --data is KEY=VALUE, not '%s'\n", entry.c_str());
        return false;
    }
    options.tracks.back().contextData[entry.substr(0, equals)] = entry.substr(equals + 1);
    return true;
}

}  // namespace

const char* HostUsage() { return HOST_USAGE_TEXT; }

ParseOutcome ParseHostOptions(int argc, char** argv, HostOptions& options) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--bundle" || argument == "--data-dir" ||
                                argument == "--log-level" || argument == "--update" || argument == "--action" ||
                                argument == "--state" || argument == "--data";
        if (takesValue && i + 1 == arguments.size()) {
            std::fprintf(stderr, "nvr_host: %s needs a value (see --help)\n", argument.c_str());
            return ParseOutcome::Invalid;
        }
        if (argument == "--help") {
            return ParseOutcome::ShowHelp;
        } else if (argument == "--reset") {
            options.reset = true;
        } else if (argument == "--lifecycle") {
            options.lifecycle = true;
        } else if (argument == "--bundle") {
            options.bundle = arguments[++i];
        } else if (argument == "--data-dir") {
            options.dataDirectory = arguments[++i];
        } else if (argument == "--log-level") {
            if (!ParseLogLevel(arguments[++i], options.logLevel)) {
                std::fprintf(stderr, "nvr_host: unknown log level '%s' (see --help)\n", arguments[i].c_str());
                return ParseOutcome::Invalid;
            }
        } else if (argument == "--update") {
            if (!ParseUpdate(arguments[++i], options)) {
                return ParseOutcome::Invalid;
            }
        } else if (argument == "--action" || argument == "--state") {
            options.tracks.push_back(TrackCall{argument == "--state", arguments[++i], {}});
        } else if (argument == "--data") {
            if (!ParseContextData(arguments[++i], options)) {
                return ParseOutcome::Invalid;
            }
        } else {
            std::fprintf(stderr, "nvr_host: unknown option '%s' (see --help)\n", argument.c_str());
            return ParseOutcome::Invalid;
        }
    }
    return ParseOutcome::Run;
}

}  // namespace NuvraHost
