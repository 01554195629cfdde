#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "util/StringUtils.h"

namespace NuvraMobile {

/**
 * Log levels; a larger value means more output. A line is written when the level is at least its own.
 * Spelled so that no common macro of a host build (ERROR, DEBUG, TRACE ...) can break them.
 */
enum class LoggingMode : std::int32_t { Error = 0, Warning = 1, Debug = 2, Trace = 3 };

/**
 * Where Log writes: one already formatted line per call. The logging service of the platform is one;
 * Log calls it outside its lock, possibly from several threads at once, so implementations must accept
 * concurrent calls.
 */
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void Debug(const std::string& tag, const std::string& message) const = 0;
    virtual void Warning(const std::string& tag, const std::string& message) const = 0;
    virtual void Error(const std::string& tag, const std::string& message) const = 0;
    virtual void Trace(const std::string& tag, const std::string& message) const = 0;
};

/**
 * The process-wide logging front: filters lines by level, formats them with StringUtils::FormatString
 * and hands them to the one installed logging service. Starts at ERROR with no service (nothing is
 * written until one is installed). Any thread may call any operation; the lock is never held while a
 * line is formatted or written.
 */
class Log {
public:
    static void SetLogLevel(LoggingMode mode);
    static LoggingMode GetLogLevel();
    /** The level without taking the lock; may lag behind SetLogLevel for a moment. */
    static LoggingMode GetLogLevelHint() {
        return static_cast<LoggingMode>(hintMode_.load(std::memory_order_relaxed));
    }

    static void SetLoggingService(const std::shared_ptr<LogSink>& service);
    static std::shared_ptr<LogSink> GetLoggingService();
    /** The service when the level is at least `mode`, else empty. */
    static std::shared_ptr<LogSink> GetLoggingServiceIfModeGreq(LoggingMode mode);

    /** Lock-free early test: could a line of `mode` be written? */
    static bool Precheck(LoggingMode mode) {
        return hintMode_.load(std::memory_order_relaxed) >= static_cast<std::int32_t>(mode) &&
               hintService_.load(std::memory_order_relaxed);
    }

    template <typename... Args>
    static void Error(const char* tag, const char* format, const Args&... args) {
        Format(LoggingMode::Error, tag, format, args...);
    }

    template <typename... Args>
    static void Warning(const char* tag, const char* format, const Args&... args) {
        Format(LoggingMode::Warning, tag, format, args...);
    }

    template <typename... Args>
    static void Debug(const char* tag, const char* format, const Args&... args) {
        Format(LoggingMode::Debug, tag, format, args...);
    }

    template <typename... Args>
    static void Trace(const char* tag, const char* format, const Args&... args) {
        Format(LoggingMode::Trace, tag, format, args...);
    }

    /** Write one already formatted line; the message is cut at its first NUL character. */
    static void ErrorImpl(const char* tag, const std::string& message);
    static void WarningImpl(const char* tag, const std::string& message);
    static void DebugImpl(const char* tag, const std::string& message);
    static void TraceImpl(const char* tag, const std::string& message);

private:
    // Formats only lines that can be written; the pre-check costs two relaxed reads.
    template <typename... Args>
    static void Format(LoggingMode mode, const char* tag, const char* format, const Args&... args) {
        if (tag != nullptr && format != nullptr && Precheck(mode)) {
            Write(mode, tag, StringUtils::FormatString(format, args...));
        }
    }

    static void Write(LoggingMode mode, const char* tag, const std::string& message);

    // Copies of the locked state for the lock-free pre-check; trivially destructible, so they stay
    // valid while detached threads log during process exit.
    static inline std::atomic<std::int32_t> hintMode_{0};
    static inline std::atomic<bool> hintService_{false};
};

}  // namespace NuvraMobile
