#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/LoggingServiceInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

/** A logging service that records every line it is given. Thread-safe. */
class CapturingLoggingService : public Object, public virtual LoggingServiceInterface {
public:
    struct Line {
        LoggingMode level;
        std::string tag;
        std::string message;

        bool operator==(const Line& other) const {
            return level == other.level && tag == other.tag && message == other.message;
        }
    };

    void Debug(const std::string& tag, const std::string& message) const override;
    void Warning(const std::string& tag, const std::string& message) const override;
    void Error(const std::string& tag, const std::string& message) const override;
    void Trace(const std::string& tag, const std::string& message) const override;

    /** A copy of every line recorded so far, in order. */
    std::vector<Line> GetLines() const;
    /** The messages of the recorded lines, in order. */
    std::vector<std::string> GetMessages() const;
    /** The messages of the recorded lines of one level, in order. */
    std::vector<std::string> GetMessages(LoggingMode level) const;
    /** True when some recorded message contains `text`. */
    bool Contains(const std::string& text) const;
    void Clear();

private:
    void Record(LoggingMode level, const std::string& tag, const std::string& message) const;

    mutable std::mutex mutex_;
    mutable std::vector<Line> lines_;
};

/**
 * Installs a fresh CapturingLoggingService and a log level for the lifetime of the guard, then
 * restores the previous service and level.
 */
class ScopedCapturingLog {
public:
    explicit ScopedCapturingLog(LoggingMode level = LoggingMode::Trace);
    ~ScopedCapturingLog();
    ScopedCapturingLog(const ScopedCapturingLog&) = delete;
    ScopedCapturingLog& operator=(const ScopedCapturingLog&) = delete;

    CapturingLoggingService& Service() { return *service_; }
    const std::shared_ptr<CapturingLoggingService>& ServicePtr() const { return service_; }

private:
    std::shared_ptr<CapturingLoggingService> service_;
    std::shared_ptr<LogSink> previousService_;
    LoggingMode previousLevel_;
};

}  // namespace NuvraMobile
