#pragma once

#include <memory>

#include "configuration/Configuration.h"
#include "core/module/ModuleEventListener.h"

namespace NuvraMobile {

// The five listeners through which the hub reaches the Configuration module. They run on the hub's
// workers, touch no module state and only call the module's handlers.

/** (configuration, requestContent): every configuration request. */
class ConfigurationListenerRequestContent : public ModuleEventListener<Configuration> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (lifecycle, responseContent): a session start fetches the remote configuration again. */
class ConfigurationListenerLifecycleResponseContent : public ModuleEventListener<Configuration> {
public:
    static constexpr const char* SESSION_EVENT = "sessionevent";
    static constexpr const char* LIFECYCLE_START = "start";

    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, booted): the boot sequence, run on the listener call itself. */
class ConfigurationListenerBootEvent : public ModuleEventListener<Configuration> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, sharedState): a change of one of the identity owners retries the identities requests. */
class ConfigurationListenerHubSharedState : public ModuleEventListener<Configuration> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (configuration, requestIdentity): an SDK-identities request. */
class ConfigurationListenerRequestIdentity : public ModuleEventListener<Configuration> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
