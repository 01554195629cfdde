#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "lifecycle/Lifecycle.h"

namespace NuvraMobile {

// The listeners through which the hub reaches the Lifecycle module; they run on the hub's workers.

/** (generic.lifecycle, requestContent): starts and pauses, queued as a task. */
class LifecycleListenerRequestContent : public ModuleEventListener<Lifecycle> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, sharedState): a configuration change lets the waiting requests go on. */
class LifecycleListenerSharedStateUpdate : public ModuleEventListener<Lifecycle> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, booted): publishes the device data at once, on the listener call. */
class LifecycleListenerHubBooted : public ModuleEventListener<Lifecycle> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
