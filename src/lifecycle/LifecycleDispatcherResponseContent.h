#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/module/ModuleEventDispatcher.h"
#include "lifecycle/Lifecycle.h"

namespace NuvraMobile {

/** Sends "LifecycleStart" (lifecycle, responseContent), unpaired; called from the module's tasks. */
class LifecycleDispatcherResponseContent : public ModuleEventDispatcher<Lifecycle> {
public:
    virtual void DispatchSessionStart(std::int64_t startTimestamp, const std::map<std::string, std::string>& contextData,
                                      std::int64_t previousStartTimestamp, std::int64_t previousPauseTimestamp);
};

}  // namespace NuvraMobile
