#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventHub;
class PlatformServicesInterface;

/**
 * The event-building facade of the Signal module: registers the module once and dispatches the
 * "Collect PII" request event. Keeps no state of its own beyond the hub and services it was made over;
 * any thread may call it, and every call returns at once.
 */
class SignalPublicApi : public Object {
public:
    /** The platform services are accepted for the callers' symmetry; these operations need only the hub. */
    static std::shared_ptr<SignalPublicApi> Create(
        const std::shared_ptr<EventHub>& eventHub,
        const std::shared_ptr<PlatformServicesInterface>& platformServices);

    explicit SignalPublicApi(std::shared_ptr<EventHub> eventHub);

    /** Registers a Signal module unless the hub already has one. */
    void RegisterSignal();
    /** Dispatches "Collect PII" (signal, requestContent) with the map under "contextdata"; an empty map is
     * logged. */
    void CollectPii(const std::map<std::string, std::string>& data);

private:
    const std::shared_ptr<EventHub> eventHub_;
};

}  // namespace NuvraMobile
