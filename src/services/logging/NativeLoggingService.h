#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/LoggingServiceInterface.h"

namespace NuvraMobile {

/** The logging service of the platform: hands every line to the console logger. Stateless; any thread. */
class NativeLoggingService : public Object, public virtual LoggingServiceInterface {
public:
    void Debug(const std::string& tag, const std::string& message) const override;
    void Warning(const std::string& tag, const std::string& message) const override;
    void Error(const std::string& tag, const std::string& message) const override;
    void Trace(const std::string& tag, const std::string& message) const override;
};

std::shared_ptr<LoggingServiceInterface> CreateNativeLoggingService();

}  // namespace NuvraMobile
