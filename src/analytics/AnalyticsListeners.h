#pragma once

#include <memory>

#include "analytics/Analytics.h"
#include "core/module/ModuleEventListener.h"

namespace NuvraMobile {

// The ten listeners through which the hub reaches the Analytics module. They run on the hub's workers,
// touch no module state and only call one handler of the module, which queues a task.

/** (rulesEngine, responseContent): only consequences of type "an" with an id reach the module. */
class AnalyticsListenerRulesEngineResponseContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (analytics, requestContent): track, force-kick, clear and queue-size requests. */
class AnalyticsListenerAnalyticsRequestContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (generic.track, requestContent): track requests of the core. */
class AnalyticsListenerGenericTrackRequestContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (analytics, requestIdentity): identifier requests. */
class AnalyticsListenerAnalyticsRequestIdentity : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (configuration, responseContent): every configuration applies its privacy status. */
class AnalyticsListenerConfigurationResponseContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (acquisition, responseContent): referrer data. */
class AnalyticsListenerAcquisitionResponseContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (lifecycle, responseContent): the lifecycle data of a new session. */
class AnalyticsListenerLifecycleResponseContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, sharedState): a change of the configuration or identity state resumes waiting requests. */
class AnalyticsListenerHubSharedState : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, booted): handled like an identifier request. */
class AnalyticsListenerHubBooted : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (generic.lifecycle, requestContent): lifecycle start and pause. */
class AnalyticsListenerLifecycleRequestContent : public ModuleEventListener<Analytics> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
