#pragma once

#include <memory>
#include <string>

#include "configuration/Configuration.h"
#include "core/module/ModuleEventDispatcher.h"

namespace NuvraMobile {

// The three dispatchers through which the Configuration module sends its events; called from the
// module's handlers and tasks.

/** Sends "Configure with AppID Internal" (configuration, requestContent), without a pair id. */
class ConfigurationDispatcherConfigurationRequestContent : public ModuleEventDispatcher<Configuration> {
public:
    virtual void DispatchInternalConfigureWithAppIdEvent(const std::string& appId);
};

/** Sends "Configuration Response Event" (configuration, responseContent) with the caller's data. */
class ConfigurationDispatcherConfigurationResponseContent : public ModuleEventDispatcher<Configuration> {
public:
    virtual void DispatchConfigResponseWithEventData(const std::shared_ptr<EventData>& data,
                                                     const std::string& pairId);
};

/** Sends "Configuration Response Identity Event" (configuration, responseIdentity). */
class ConfigurationDispatcherConfigurationResponseIdentity : public ModuleEventDispatcher<Configuration> {
public:
    virtual void DispatchAllIdentities(const std::string& allIdentifiers, const std::string& pairId);
};

}  // namespace NuvraMobile
