#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "util/Log.h"

namespace NuvraHost {

/** One track call of the demo's script: an action or a state, with its context data. */
struct TrackCall {
    bool isState = false;
    std::string name;
    std::map<std::string, std::string> contextData;
};

/** What the command line asks of the example host program. */
struct HostOptions {
    std::string bundle;
    std::string dataDirectory;
    bool reset = false;
    /** Print the lifecycle state after the launch. */
    bool lifecycle = false;
    /** The track calls between the launch and the pause; empty runs the default script. */
    std::vector<TrackCall> tracks;
    NuvraMobile::LoggingMode logLevel = NuvraMobile::LoggingMode::Error;
    std::map<std::string, std::shared_ptr<NuvraMobile::Variant>> updates;
};

enum class ParseOutcome { Run, ShowHelp, Invalid };

/** The usage text that --help prints. */
const char* HostUsage();

/**
 * Reads the command line into `options`. An update's value is read as JSON when it parses (numbers,
 * booleans, objects, arrays, quoted strings) and as plain text otherwise. Invalid input prints one line
 * saying what is wrong to standard error.
 */
ParseOutcome ParseHostOptions(int argc, char** argv, HostOptions& options);

}  // namespace NuvraHost
