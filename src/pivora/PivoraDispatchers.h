#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/module/ModuleEventDispatcher.h"
#include "pivora/Pivora.h"

namespace NuvraMobile {

class PivoraPrefetchResult;

// The three dispatchers through which the personalisation module answers; called from its tasks.
// Dispatch only queues the event on the hub.

/** "Pivora Response Content" (pivora, responseContent) answers and the preview lifecycle event. */
class PivoraDispatcherResponseContent : public ModuleEventDispatcher<Pivora> {
public:
    virtual void DispatchMboxContent(const std::string& content, const std::string& pairId);
    /** "prefetchresult" is true exactly when the error is empty. */
    virtual void DispatchPrefetchResult(const std::string& error, const std::string& pairId);
    /** "Pivora View Prefetch Response", paired with the request event's response pair id. */
    virtual void DispatchViewPrefetchResult(const PivoraPrefetchResult& result,
                                            const std::shared_ptr<Event>& requestEvent);
    virtual void DispatchPreviewLifecycleEvent(bool previewInitiated);
};

/** "Pivora Response Identity" (pivora, responseIdentity): both ids, always present. */
class PivoraDispatcherResponseIdentity : public ModuleEventDispatcher<Pivora> {
public:
    virtual void DispatchIdentityResponse(const std::string& qtxId, const std::string& thirdPartyId,
                                          const std::string& pairId);
};

/** "Analytics Request Content" (analytics, requestContent) carrying the server's analytics payload. */
class PivoraDispatcherAnalyticsRequestContent : public ModuleEventDispatcher<Pivora> {
public:
    /** Nothing for an empty payload. */
    virtual void DispatchAnalyticsRequest(const std::map<std::string, std::string>& payload);
};

}  // namespace NuvraMobile
