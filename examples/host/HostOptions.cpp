#include "HostOptions.h"

#include <cstdio>
#include <vector>

#include "CommandLine.h"
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

bool ParseUpdate(const CommandLine& line, const std::string& update, HostOptions& options) {
    const auto equals = update.find('=');
    if (equals == std::string::npos || equals == 0) {
        return line.Reject("an update is KEY=VALUE, not '" + update + "'");
    }
    options.updates[update.substr(0, equals)] = UpdateValue(update.substr(equals + 1));
    return true;
}

// "KEY=VALUE" of --data, added to the context data of the track call before it.
bool ParseContextData(const CommandLine& line, const std::string& entry, HostOptions& options) {
    const auto equals = entry.find('=');
    if (options.tracks.empty()) {
        return line.Reject("--data belongs to an --action or --state before it");
    }
    if (equals == std::string::npos || equals == 0) {
        return line.Reject("--data is KEY=VALUE, not '" + entry + "'");
    }
    options.tracks.back().contextData[entry.substr(0, equals)] = entry.substr(equals + 1);
    return true;
}

// What an option that takes a value does with it; false when the value cannot be used.
using ValueOption = bool (*)(const CommandLine& line, const std::string& value, HostOptions& options);

const std::map<std::string, ValueOption>& ValueOptions() {
    static const std::map<std::string, ValueOption> options = {
        {"--bundle",
         [](const CommandLine&, const std::string& value, HostOptions& options) {
             options.bundle = value;
             return true;
         }},
        {"--data-dir",
         [](const CommandLine&, const std::string& value, HostOptions& options) {
             options.dataDirectory = value;
             return true;
         }},
        {"--log-level",
         [](const CommandLine& line, const std::string& value, HostOptions& options) {
             return ParseLogLevel(value, options.logLevel) ||
                    line.Reject("unknown log level '" + value + "'");
         }},
        {"--update", ParseUpdate},
        {"--action",
         [](const CommandLine&, const std::string& value, HostOptions& options) {
             options.tracks.push_back(TrackCall{false, value, {}});
             return true;
         }},
        {"--state",
         [](const CommandLine&, const std::string& value, HostOptions& options) {
             options.tracks.push_back(TrackCall{true, value, {}});
             return true;
         }},
        {"--data", ParseContextData},
    };
    return options;
}

}  // namespace

const char* HostUsage() { return HOST_USAGE_TEXT; }

ParseOutcome ParseHostOptions(int argc, char** argv, HostOptions& options) {
    CommandLine line("nvr_host", argc, argv);
    std::string option;
    std::string value;
    while (line.NextOption(option)) {
        const auto valueOption = ValueOptions().find(option);
        if (option == "--help") {
            return ParseOutcome::ShowHelp;
        } else if (option == "--reset") {
            options.reset = true;
        } else if (option == "--lifecycle") {
            options.lifecycle = true;
        } else if (valueOption == ValueOptions().end()) {
            line.Reject("unknown option '" + option + "'");
            return ParseOutcome::Invalid;
        } else if (!line.Value(value) || !valueOption->second(line, value, options)) {
            return ParseOutcome::Invalid;
        }
    }
    return ParseOutcome::Run;
}

}  // namespace NuvraHost
