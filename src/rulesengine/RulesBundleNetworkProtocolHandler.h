#pragma once

#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Turns one downloaded rules bundle into a directory of its content. */
class RulesBundleNetworkProtocolHandler : public virtual ObjectInterface {
public:
    /** True when `outputDirectory` now holds the bundle's content. */
    virtual bool ProcessDownloadedBundle(const std::string& bundlePath,
                                         const std::string& outputDirectory) = 0;
};

}  // namespace NuvraMobile
