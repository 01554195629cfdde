#include "services/logging/NativeLogger.h"

#include <unistd.h>

#include <cstdint>

#include "services/system/FileIo.h"

namespace NuvraMobile {

namespace {

const char* LevelWord(LoggingMode level) {
    switch (level) {
        case LoggingMode::Error:
            return "ERROR";
        case LoggingMode::Warning:
            return "WARNING";
        case LoggingMode::Debug:
            return "DEBUG";
        case LoggingMode::Trace:
            return "TRACE";
    }
    return nullptr;
}

const std::string& OrNull(const std::string& text) {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static const auto* NULL_TEXT = new std::string("(null)");
    return text.empty() ? *NULL_TEXT : text;
}

}  // namespace

void NativeLogger::LogWith(LoggingMode level, const std::string& tag, const std::string& message) {
    if (!Log::Precheck(level) ||
        static_cast<std::int32_t>(Log::GetLogLevel()) < static_cast<std::int32_t>(level)) {
        return;
    }
    std::string line = LogFormat(level, tag, message);
    if (!line.empty()) {
        WriteAll(STDERR_FILENO, line + "\n");  // one write: one console entry
    }
}

std::string NativeLogger::LogFormat(LoggingMode level, const std::string& tag, const std::string& message) {
    const char* word = LevelWord(level);
    if (word == nullptr) {
        return "";
    }
    return std::string("[NuvraMobileSDK ") + word + " <" + OrNull(tag) + ">]: " + OrNull(message);
}

}  // namespace NuvraMobile
