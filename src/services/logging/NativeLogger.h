#pragma once

#include <string>

#include "util/Log.h"

namespace NuvraMobile {

/**
 * The console logger: checks a line's level against Log once more, formats it as
 * "[NuvraMobileSDK <LEVEL> <tag>]: message" and writes it to standard error as one entry.
 * Stateless; any thread may call.
 */
class NativeLogger {
public:
    /** Writes the line when a logging service is installed in Log and its level lets the line pass. */
    static void LogWith(LoggingMode level, const std::string& tag, const std::string& message);

    /** The console line for the levels error to trace; "" for any other level. An empty tag or message
     * shows as "(null)". */
    static std::string LogFormat(LoggingMode level, const std::string& tag, const std::string& message);
};

}  // namespace NuvraMobile
