#include "lifecycle/LifecycleListeners.h"

namespace NuvraMobile {

void LifecycleListenerRequestContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Lifecycle::LOG_PREFIX, [&](Lifecycle& module) { module.QueueEvent(event); });
}

void LifecycleListenerSharedStateUpdate::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Lifecycle::LOG_PREFIX, [&](Lifecycle& module) { module.HandleSharedStateUpdateEvent(event); });
}

void LifecycleListenerHubBooted::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Lifecycle::LOG_PREFIX, [&](Lifecycle& module) {
        if (event) {
            module.HandleEventHubBootEvent(event);
        }
    });
}

}  // namespace NuvraMobile
