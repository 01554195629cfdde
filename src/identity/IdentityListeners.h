#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "identity/Identity.h"

namespace NuvraMobile {

// The seven listeners through which the hub reaches the Identity module. They run on the hub's
// workers, touch no module state and only call a handler, which queues a task on the module's queue.

/** (identity, requestIdentity): identifier, URL and sync requests. */
class IdentityListenerRequestIdentity : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, sharedState): a configuration change lets the waiting requests go on. */
class IdentityListenerHubSharedState : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
    /** True for data that names a state owner, while the module exists. */
    bool ShouldProcessEvent(const std::shared_ptr<EventData>& data);
};

/** (hub, booted): load the persisted identifiers and queue the forced sync. */
class IdentityListenerBootedEvent : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (configuration, responseContent): privacy changes and the last configuration with an organisation. */
class IdentityListenerConfigurationResponseContent : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (cohortix, responseContent): sends the opt-out request the audience module did not send. */
class IdentityListenerAudienceResponseContent : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (analytics, responseIdentity): the analytics id, synced once per installation. */
class IdentityListenerAnalyticsResponseIdentity : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (generic.identity, requestContent): advertising and push identifiers from the core, always a sync. */
class IdentityListenerGenericIdentityRequestContent : public ModuleEventListener<Identity> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
