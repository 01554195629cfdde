#include "services/logging/NativeLogger.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace NuvraMobile {

namespace {

const char* LevelWord(LoggingMode level) {
    switch (level) {
        case LoggingMode::ERROR:
            return "ERROR";
        case LoggingMode::WARNING:
            return "WARNING";
        case LoggingMode::DEBUG:
            return "DEBUG";
        case LoggingMode::TRACE:
            return "TRACE";
    }
    return nullptr;
}

const std::string& OrNull(const std::string& text) {
    static const std::string NULL_TEXT = "(null)";
    return text.empty() ? NULL_TEXT : text;
}

void WriteToConsole(const std::string& line) {
    std::string entry = line + "\n";
    size_t written = 0;
    while (written < entry.size()) {
        ssize_t count = ::write(STDERR_FILENO, entry.data() + written, entry.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;
        }
        written += static_cast<size_t>(count);
    }
}

}  // namespace

void NativeLogger::LogWith(LoggingMode level, const std::string& tag, const std::string& message) {
    if (!Log::Precheck(level) ||
        static_cast<std::int32_t>(Log::GetLogLevel()) < static_cast<std::int32_t>(level)) {
        return;
    }
    std::string line = LogFormat(level, tag, message);
    if (!line.empty()) {
        WriteToConsole(line);
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
