#pragma once

#include "core/values/ObjectInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

/**
 * The platform's sink of log lines, installed with Log::SetLoggingService; its operations are
 * LogSink's (one already formatted line per call, concurrent calls accepted).
 */
class LoggingServiceInterface : public virtual ObjectInterface, public LogSink {};

}  // namespace NuvraMobile
