#pragma once

#include <memory>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventHub;
class PlatformServicesInterface;

/**
 * The core-side facade of the Lifecycle extension: it only registers the module. Starts and pauses reach
 * the module through Core::LifecycleStart and Core::LifecyclePause. Stateless; callable from any thread.
 */
class LifecyclePublicApi : public Object {
public:
    static std::shared_ptr<LifecyclePublicApi> Create(const std::shared_ptr<EventHub>& eventHub,
                                                      const std::shared_ptr<PlatformServicesInterface>& platformServices);

    LifecyclePublicApi(std::shared_ptr<EventHub> eventHub, std::shared_ptr<PlatformServicesInterface> platformServices);

    /** Registers a Lifecycle module unless the hub already has one. */
    void Register();

private:
    const std::shared_ptr<EventHub> eventHub_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
};

}  // namespace NuvraMobile
