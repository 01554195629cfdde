#include "services/logging/NativeLoggingService.h"

#include "services/logging/NativeLogger.h"

namespace NuvraMobile {

void NativeLoggingService::Debug(const std::string& tag, const std::string& message) const {
    NativeLogger::LogWith(LoggingMode::Debug, tag, message);
}

void NativeLoggingService::Warning(const std::string& tag, const std::string& message) const {
    NativeLogger::LogWith(LoggingMode::Warning, tag, message);
}

void NativeLoggingService::Error(const std::string& tag, const std::string& message) const {
    NativeLogger::LogWith(LoggingMode::Error, tag, message);
}

void NativeLoggingService::Trace(const std::string& tag, const std::string& message) const {
    NativeLogger::LogWith(LoggingMode::Trace, tag, message);
}

std::shared_ptr<LoggingServiceInterface> CreateNativeLoggingService() {
    return std::make_shared<NativeLoggingService>();
}

}  // namespace NuvraMobile
