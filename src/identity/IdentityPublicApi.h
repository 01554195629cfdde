#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "shared/VisitorId.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class PlatformServicesInterface;

/**
 * The core-side facade of the Identity extension: registers the module and turns each public call into
 * an identity request event. A call that expects an answer registers a one-time listener for its
 * request's response pair id, then dispatches the request; it never waits. Callbacks run once, on the
 * hub's thread, whenever the module is registered. Stateless; callable from any thread.
 */
class IdentityPublicApi : public Object {
public:
    using StringCallback = std::function<void(const std::string&)>;
    using IdentifiersCallback = std::function<void(const std::vector<std::shared_ptr<VisitorId>>&)>;

    static std::shared_ptr<IdentityPublicApi> Create(const std::shared_ptr<EventHub>& eventHub,
                                                     const std::shared_ptr<PlatformServicesInterface>& platformServices);

    IdentityPublicApi(std::shared_ptr<EventHub> eventHub, std::shared_ptr<PlatformServicesInterface> platformServices);

    /** Registers an Identity module unless the hub already has one. */
    void RegisterIdentity();

    void GetSkyloomId(const StringCallback& callback);
    void GetIdentifiers(const IdentifiersCallback& callback);
    void AppendToUrl(const std::string& url, const StringCallback& callback);
    void GetUrlVariables(const StringCallback& callback);
    void GetPushIdentifier(const StringCallback& callback);
    void GetAdvertisingIdentifier(const StringCallback& callback);
    void SyncIdentifier(const std::string& idType, const std::string& identifier, VisitorIdAuthenticationState state);
    void SyncIdentifiers(const std::map<std::string, std::string>& identifiers);
    void SyncIdentifiers(const std::map<std::string, std::string>& identifiers, VisitorIdAuthenticationState state);

    std::shared_ptr<Event> CreateIdentityRequestEvent(const std::shared_ptr<EventData>& data);
    void CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(const std::string& answerKey,
                                                                         const std::shared_ptr<EventData>& data,
                                                                         const StringCallback& callback);
    void CreateIdentityRequestWithOneTimeCallbackWithVisitorIdCallbackParam(const std::string& answerKey,
                                                                            const std::shared_ptr<EventData>& data,
                                                                            const IdentifiersCallback& callback);
    void DispatchIdSyncEvent(const std::map<std::string, std::string>& identifiers, VisitorIdAuthenticationState state);

private:
    /** Registers `onAnswer` for the request's answer (logging a failure), then dispatches the request. */
    void DispatchWithAnswer(const std::shared_ptr<EventData>& data,
                            const std::function<void(const std::shared_ptr<Event>&)>& onAnswer);

    const std::shared_ptr<EventHub> eventHub_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
};

}  // namespace NuvraMobile
