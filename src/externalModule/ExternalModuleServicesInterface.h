#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class Event;
class ExternalModuleListenerInterface;

/**
 * The only way an extension talks to the core once registered. Shared states cross as JSON text:
 * one JSON object, or the empty text for "no data" (a pending state). Every operation runs on the
 * caller's thread, which may be an app thread, a hub-side callback of the extension or its Hear.
 */
class ExternalModuleServicesInterface : public virtual ObjectInterface {
public:
    /**
     * Registers the listener for events of that type and source (names compared case-insensitively).
     * Throws SdkError "external_module.event_type_not_supported" for an empty type name, then
     * "external_module.event_source_not_supported" for an empty source name; other failures reach
     * the extension's OnUnexpectedError.
     */
    virtual void RegisterListener(const std::shared_ptr<ExternalModuleListenerInterface>& listener,
                                  const std::string& eventTypeName, const std::string& eventSourceName) = 0;
    /** A listener that hears every event, response events included. */
    virtual void RegisterWildcardListener(
        const std::shared_ptr<ExternalModuleListenerInterface>& listener) = 0;
    /**
     * Publishes the extension's state at the event's number, or at a fresh number without an event.
     * Throws SdkError "platform_services.missing_service" without a JSON utility service.
     */
    virtual void SetSharedEventState(const std::string& state, const std::shared_ptr<Event>& event) = 0;
    virtual void ClearSharedEventStates() = 0;
    /**
     * The owner's state valid at the event (the newest without one) as JSON text; empty when there
     * is none, it is pending, or the extension is not registered. Throws as SetSharedEventState.
     */
    virtual std::shared_ptr<std::string> GetSharedEventState(const std::string& stateOwner,
                                                             const std::shared_ptr<Event>& event) = 0;
    virtual void UnregisterModule() = 0;
};

}  // namespace NuvraMobile
