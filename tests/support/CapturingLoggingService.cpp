#include "CapturingLoggingService.h"

namespace NuvraMobile {

void CapturingLoggingService::Debug(const std::string& tag, const std::string& message) const {
    Record(LoggingMode::Debug, tag, message);
}

void CapturingLoggingService::Warning(const std::string& tag, const std::string& message) const {
    Record(LoggingMode::Warning, tag, message);
}

void CapturingLoggingService::Error(const std::string& tag, const std::string& message) const {
    Record(LoggingMode::Error, tag, message);
}

void CapturingLoggingService::Trace(const std::string& tag, const std::string& message) const {
    Record(LoggingMode::Trace, tag, message);
}

std::vector<CapturingLoggingService::Line> CapturingLoggingService::GetLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::vector<std::string> CapturingLoggingService::GetMessages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> messages;
    for (const Line& line : lines_) {
        messages.push_back(line.message);
    }
    return messages;
}

std::vector<std::string> CapturingLoggingService::GetMessages(LoggingMode level) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> messages;
    for (const Line& line : lines_) {
        if (line.level == level) {
            messages.push_back(line.message);
        }
    }
    return messages;
}

bool CapturingLoggingService::Contains(const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Line& line : lines_) {
        if (line.message.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void CapturingLoggingService::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

void CapturingLoggingService::Record(LoggingMode level, const std::string& tag,
                                     const std::string& message) const {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(Line{level, tag, message});
}

ScopedCapturingLog::ScopedCapturingLog(LoggingMode level)
    : service_(std::make_shared<CapturingLoggingService>()),
      previousService_(Log::GetLoggingService()),
      previousLevel_(Log::GetLogLevel()) {
    Log::SetLoggingService(service_);
    Log::SetLogLevel(level);
}

ScopedCapturingLog::~ScopedCapturingLog() {
    Log::SetLoggingService(previousService_);
    Log::SetLogLevel(previousLevel_);
}

}  // namespace NuvraMobile
