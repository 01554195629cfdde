#pragma once

#include <memory>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class Event;

/**
 * One listener of an extension, registered through ExternalModuleServicesInterface for an event type
 * and source or as the wildcard listener. OnRegistered and OnUnregistered run on the hub side, Hear
 * on the extension module's own sequential queue, one event at a time in hub order. Anything they
 * throw reaches the extension's OnUnexpectedError.
 */
class ExternalModuleListenerInterface : public virtual ObjectInterface {
public:
    virtual void OnRegistered() = 0;
    virtual void Hear(const std::shared_ptr<Event>& event) = 0;
    virtual void OnUnregistered() = 0;
};

}  // namespace NuvraMobile
