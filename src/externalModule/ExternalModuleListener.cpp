#include "externalModule/ExternalModuleListener.h"

namespace NuvraMobile {

std::shared_ptr<ExternalModuleListener> ExternalModuleListener::Self() {
    return std::static_pointer_cast<ExternalModuleListener>(shared_from_this());
}

void ExternalModuleListener::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(LOG_TAG, [&](ExternalModule& module) { module.ExternalListener_Hear(event, Self()); });
}

void ExternalModuleListener::OnRegistered() {
    WithParentModule(LOG_TAG, [&](ExternalModule& module) {
        module.ExternalListener_OnRegistered(GetEventType(), GetEventSource(), Self());
    });
}

void ExternalModuleListener::OnUnregistered() {
    WithParentModule(LOG_TAG, [&](ExternalModule& module) {
        module.ExternalListener_OnUnregistered(GetEventType(), GetEventSource(), Self());
    });
}

}  // namespace NuvraMobile
