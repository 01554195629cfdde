#pragma once

#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * The one process-wide version string that every hit URL carries ("OIP-" + analytics version + "-" +
 * core version, set by the public API). Any thread may read or replace it.
 */
class AnalyticsVersionProvider : public Object {
public:
    static void SetVersion(const std::string& version);
    /** The version, or "unknown" while none was set. */
    static std::string GetVersion();
};

}  // namespace NuvraMobile
