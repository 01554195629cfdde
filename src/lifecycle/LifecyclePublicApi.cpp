#include "lifecycle/LifecyclePublicApi.h"

#include <utility>

#include "core/hub/EventHub.h"
#include "core/values/SdkError.h"
#include "lifecycle/Lifecycle.h"
#include "util/Log.h"

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
        // A registration racing this one makes the hub refuse the second module; the app hears nothing of it.
        TryCatch([&] { eventHub_->RegisterModule<Lifecycle>(); },
                 [](SdkError& error) {
                     Log::Debug(LifecycleConstants::LOG_PREFIX, "Lifecycle was not registered (%s)", error.GetMessage());
                 });
    }
}

}  // namespace NuvraMobile
