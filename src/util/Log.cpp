#include "util/Log.h"

#include <mutex>

#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

struct LogState {
    Mutex mutex;
    LoggingMode currentMode NVR_GUARDED_BY(mutex) = LoggingMode::Error;
    std::shared_ptr<LogSink> currentService NVR_GUARDED_BY(mutex);
};

// Never destroyed: detached worker threads may still log while the process exits.
LogState& State() {
    static LogState* state = new LogState();
    return *state;
}

}  // namespace

void Log::SetLogLevel(LoggingMode mode) {
    LogState& state = State();
    MutexLock lock(state.mutex);
    state.currentMode = mode;
    hintMode_.store(static_cast<std::int32_t>(mode), std::memory_order_relaxed);
}

LoggingMode Log::GetLogLevel() {
    LogState& state = State();
    MutexLock lock(state.mutex);
    return state.currentMode;
}

void Log::SetLoggingService(const std::shared_ptr<LogSink>& service) {
    std::shared_ptr<LogSink> previous;
    LogState& state = State();
    MutexLock lock(state.mutex);
    previous = std::move(state.currentService);
    state.currentService = service;
    hintService_.store(service != nullptr, std::memory_order_relaxed);
}

std::shared_ptr<LogSink> Log::GetLoggingService() {
    LogState& state = State();
    MutexLock lock(state.mutex);
    return state.currentService;
}

std::shared_ptr<LogSink> Log::GetLoggingServiceIfModeGreq(LoggingMode mode) {
    LogState& state = State();
    MutexLock lock(state.mutex);
    if (state.currentMode >= mode) {
        return state.currentService;
    }
    return nullptr;
}

void Log::ErrorImpl(const char* tag, const std::string& message) { Write(LoggingMode::Error, tag, message); }

void Log::WarningImpl(const char* tag, const std::string& message) {
    Write(LoggingMode::Warning, tag, message);
}

void Log::DebugImpl(const char* tag, const std::string& message) { Write(LoggingMode::Debug, tag, message); }

void Log::TraceImpl(const char* tag, const std::string& message) { Write(LoggingMode::Trace, tag, message); }

void Log::Write(LoggingMode mode, const char* tag, const std::string& message) {
    if (tag == nullptr) {
        return;
    }
    // Holding an owner keeps the service alive should another thread replace it meanwhile.
    const std::shared_ptr<LogSink> service = GetLoggingServiceIfModeGreq(mode);
    if (!service) {
        return;
    }
    const std::string tagText(tag);
    const std::size_t nul = message.find('\0');
    const std::string messageText = nul == std::string::npos ? message : message.substr(0, nul);
    switch (mode) {
        case LoggingMode::Error:
            service->Error(tagText, messageText);
            break;
        case LoggingMode::Warning:
            service->Warning(tagText, messageText);
            break;
        case LoggingMode::Debug:
            service->Debug(tagText, messageText);
            break;
        case LoggingMode::Trace:
            service->Trace(tagText, messageText);
            break;
    }
}

}  // namespace NuvraMobile
