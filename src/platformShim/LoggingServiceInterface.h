#pragma once

#include <string>

#include "core/ObjectInterface.h"

namespace NuvraMobile {

/**
 * The sink of log lines: writes one already formatted line per call. Log calls it outside its lock,
 * possibly from several threads at once, so implementations must accept concurrent calls.
 */
class LoggingServiceInterface : public virtual ObjectInterface {
public:
    virtual void Debug(const std::string& tag, const std::string& message) const = 0;
    virtual void Warning(const std::string& tag, const std::string& message) const = 0;
    virtual void Error(const std::string& tag, const std::string& message) const = 0;
    virtual void Trace(const std::string& tag, const std::string& message) const = 0;
};

}  // namespace NuvraMobile
