#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "analytics/Analytics.h"
#include "core/module/ModuleEventDispatcher.h"

namespace NuvraMobile {

// The two dispatchers of the Analytics module. They hand events to the hub and never wait; the content
// dispatcher is also called from the hit-queue worker.

/** (analytics, responseContent): the server's answer to a hit, and the queue size. */
class AnalyticsDispatcherAnalyticsResponseContent : public ModuleEventDispatcher<Analytics> {
public:
    /** "AnalyticsResponse"; "requestEventIdentifier" only when the identifier is not empty. */
    virtual void DispatchAnalyticsHitResponse(const std::string& response,
                                              const std::map<std::string, std::string>& headers,
                                              const std::string& requestEventIdentifier,
                                              const std::string& hitHost, const std::string& hitUrl);
    /** "QueueSizeValue" paired to the request. */
    virtual void DispatchQueueSize(std::int64_t size, const std::string& pairId);
};

/** (analytics, responseIdentity): the analytics identifiers. */
class AnalyticsDispatcherAnalyticsResponseIdentity : public ModuleEventDispatcher<Analytics> {
public:
    /** "TrackingIdentifierValue" paired to the request (when there is a pair id), then once unpaired. */
    virtual void DispatchAnalyticsIdentity(const std::string& aid, const std::string& vid,
                                           const std::string& pairId);
};

}  // namespace NuvraMobile
