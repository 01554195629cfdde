#include "lifecycle/LifecyclePublicApi.h"

#include <utility>

#include "core/EventHub.h"
#include "lifecycle/Lifecycle.h"

namespace NuvraMobile {

std::shared_ptr<LifecyclePublicApi> LifecyclePublicApi::Create(
    const std::shared_ptr<EventHub>& eventHub, const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    return std::make_shared<LifecyclePublicApi>(eventHub, platformServices);
}

LifecyclePublicApi::LifecyclePublicApi(std::shared_ptr<EventHub> eventHub,
                                       std::shared_ptr<PlatformServicesInterface> platformServices)
    : eventHub_(std::move(eventHub)), platformServices_(std::move(platformServices)) {}

void LifecyclePublicApi::Register() {
    if (eventHub_ && !eventHub_->IsRegisteredModule(LifecycleConstants::EventDataKeys::Lifecycle::SHARED_STATE_NAME)) {
        eventHub_->RegisterModule<Lifecycle>();
    }
}

}  // namespace NuvraMobile
