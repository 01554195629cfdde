#pragma once

#include <memory>
#include <string>

#include "core/module/ModuleEventDispatcher.h"
#include "identity/Identity.h"

namespace NuvraMobile {

// The three dispatchers through which the Identity module sends its events; called from its tasks.

/** Sends "AnalyticsForIdentityRequest" (analytics, requestContent), an internal track action. */
class IdentityDispatcherAnalyticsRequestContent : public ModuleEventDispatcher<Identity> {
public:
    /** Puts "trackinternal" true into the caller's data itself, then sends it; nothing for null data. */
    virtual void DispatchAnalyticsEventWithEventData(const std::shared_ptr<EventData>& data);
};

/** Sends "Configuration Update From Identity Module" (configuration, requestContent). */
class IdentityDispatcherConfigurationRequestContent : public ModuleEventDispatcher<Identity> {
public:
    virtual void DispatchConfigUpdateRequest(const std::shared_ptr<EventData>& data);
};

/** Sends an (identity, responseIdentity) event of the given name, paired to the given id. */
class IdentityDispatcherIdentityResponseIdentity : public ModuleEventDispatcher<Identity> {
public:
    virtual void DispatchIdentityResponse(const std::string& eventName, const std::shared_ptr<EventData>& data,
                                          const std::string& pairId);
};

}  // namespace NuvraMobile
