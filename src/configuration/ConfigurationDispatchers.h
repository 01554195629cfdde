#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "configuration/Configuration.h"
#include "core/module/ModuleEventDispatcher.h"

namespace NuvraMobile {

// The three dispatchers through which the Configuration module sends its events; called from the
// module's handlers and tasks.

/**
 * Sends the module's own requests (configuration, requestContent), without a pair id: "Configure with AppID
 * Internal", and "Downloaded Configuration Internal", which hands a fetched configuration text back to the
 * module as an event of its own.
 */
class ConfigurationDispatcherConfigurationRequestContent : public ModuleEventDispatcher<Configuration> {
public:
    virtual void DispatchInternalConfigureWithAppIdEvent(const std::string& appId);
    /** The text fetched for `appId`; empty when the fetch failed. */
    virtual void DispatchInternalDownloadedConfigurationEvent(const std::string& text,
                                                              const std::string& appId);

private:
    void DispatchInternalRequest(const char* name, const std::shared_ptr<EventData>& data);
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
