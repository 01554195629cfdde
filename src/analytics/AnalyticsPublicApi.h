#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class EventSource;
class PlatformServicesInterface;

/**
 * The core-side facade of the Analytics extension: registers the module, sets the version every hit
 * carries and turns each public call into an analytics request event. A call that expects an answer
 * registers a one-time listener for its request's response pair id, then dispatches the request; it
 * never waits. Callbacks run once, on the hub's thread, and only for an answer that carries the expected
 * key with the expected type. Stateless; callable from any thread.
 */
class AnalyticsPublicApi : public Object {
public:
    using StringCallback = std::function<void(const std::string&)>;
    using CountCallback = std::function<void(std::int64_t)>;

    /** A facade over the hub; also makes `version` the analytics version of every hit built later. */
    static std::shared_ptr<AnalyticsPublicApi> Create(const std::shared_ptr<EventHub>& eventHub,
                                                      const std::shared_ptr<PlatformServicesInterface>& platformServices,
                                                      const std::string& version);

    AnalyticsPublicApi(std::shared_ptr<EventHub> eventHub, std::shared_ptr<PlatformServicesInterface> platformServices);

    /** Registers an Analytics module unless the hub already has one. */
    void RegisterExtension();

    void GetTrackingIdentifier(const StringCallback& callback);
    void GetQueueSize(const CountCallback& callback);
    void GetVisitorIdentifier(const StringCallback& callback);
    void ClearQueue();
    void SendQueuedHits();
    void UpdateVisitorIdentifier(const std::string& identifier);

private:
    struct Request {
        const char* name;
        const std::shared_ptr<EventSource>& source;
        const char* sentMessage;
    };

    /** Registers `onAnswer` for the request's answer (logging a failure as `listenerName`), then sends it. */
    void DispatchWithAnswer(const Request& request, const std::shared_ptr<EventData>& data, const char* listenerName,
                            const std::function<void(const std::shared_ptr<Event>&)>& onAnswer);
    void Dispatch(const std::shared_ptr<Event>& event, const char* sentMessage);
    static std::shared_ptr<Event> BuildEvent(const Request& request, const std::shared_ptr<EventData>& data);

    const std::shared_ptr<EventHub> eventHub_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
};

}  // namespace NuvraMobile
