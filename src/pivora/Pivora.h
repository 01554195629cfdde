#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/module/InternalModule.h"
#include "pivora/PivoraConstants.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class DataStoreInterface;
class Event;
class EventData;
class HttpConnectionInterface;
class JsonArray;
class JsonObject;
class PivoraDispatcherAnalyticsRequestContent;
class PivoraDispatcherResponseContent;
class PivoraDispatcherResponseIdentity;
class PivoraParameters;
class PivoraPrefetch;
class PivoraPrefetchResult;
class PivoraPreviewManager;
class PivoraRequest;
class PivoraRequestBuilder;
class PivoraResponseParser;
class Variant;

/**
 * The personalisation module. It loads the content of named locations ("mboxes") from the delivery
 * server in one request per batch, answers loads from its prefetch cache where it can, reports displays
 * and clicks as notifications that ride on the next request, and keeps the visitor's qtx id, third
 * party id, edge host and session in the data store "NUVRAMOBILE_PIVORA". Every request ends in
 * exactly one answer: content or the request's default content, or a prefetch result.
 *
 * Threads: listeners run on the hub's workers and only call the Handle and queueing operations, which
 * copy their arguments into one named task on the module's own sequential queue. Every member is
 * touched from those tasks (or from OnRegistered, before any task), so the module takes no lock. A
 * delivery request is a synchronous network call inside a task: later tasks wait behind it for at most
 * the configured "pivora.timeout". Tasks queued after unregistration began are dropped.
 */
class Pivora : public InternalModule {
public:
    using Requests = std::vector<std::shared_ptr<PivoraRequest>>;
    using Prefetches = std::vector<std::shared_ptr<PivoraPrefetch>>;
    using MboxCache = std::map<std::string, std::shared_ptr<JsonObject>>;
    using JsonObjects = std::vector<std::shared_ptr<JsonObject>>;
    using StringMap = std::map<std::string, std::string>;

    static constexpr const char* LOG_PREFIX = PivoraConstants::LOG_PREFIX;
    /** The oldest pending notifications are dropped beyond this many, so bodies cannot grow without end. */
    static constexpr size_t MAX_PENDING_NOTIFICATIONS = 1000;

    Pivora();
    explicit Pivora(const std::string& name);

    std::string GetSharedStateName() const override;

    // Operations the listeners call; each queues one named task.
    virtual void LoadRequests(const Requests& requests, const std::shared_ptr<PivoraParameters>& parameters,
                              const std::shared_ptr<Event>& event);
    virtual void HandleMboxPrefetch(const Prefetches& prefetchList, const std::shared_ptr<PivoraParameters>& parameters,
                                    const std::shared_ptr<Event>& event);
    virtual void HandleViewPrefetch(const std::shared_ptr<Event>& event);
    virtual void HandleLocationsDisplayed(const std::vector<std::shared_ptr<Variant>>& mboxNames,
                                          const std::shared_ptr<PivoraParameters>& parameters,
                                          const std::shared_ptr<Event>& event);
    virtual void HandleLocationClicked(const std::string& mboxName, const std::shared_ptr<PivoraParameters>& parameters,
                                       const std::shared_ptr<Event>& event);
    virtual void HandleViewNotifications(const std::shared_ptr<Event>& event,
                                         const std::vector<std::shared_ptr<Variant>>& viewNotifications,
                                         const std::string& propertyToken);
    virtual void ProcessIdentityRequest(const std::string& pairId);
    virtual void HandleConfigurationResponse(const std::shared_ptr<Event>& event);
    virtual void ResetIdentity(int32_t eventNumber, const std::string& pairId);
    virtual void SetThirdPartyId(int32_t eventNumber, const std::string& thirdPartyId);
    virtual void ClearPrefetchCache();
    virtual void SetPreviewRestartDeepLink(const std::string& restartDeepLink);
    virtual void ProcessPreviewDeepLink(const std::shared_ptr<Event>& event, const std::string& deepLink);

protected:
    void OnRegistered() override;
    void OnUnregistered() override;

    // Identity, session and configuration (run inside tasks).
    void LoadPersistedData();
    std::shared_ptr<EventData> PackageState();
    std::shared_ptr<DataStoreInterface> GetDataStore();
    std::shared_ptr<EventData> RetrieveConfigurationSharedEventState(const std::shared_ptr<Event>& event);
    MobilePrivacyStatus GetMobilePrivacyStatus();
    /** The reason the module may not send for this configuration, or empty. */
    std::string PrepareForPivoraRequest(const std::shared_ptr<EventData>& configuration);
    void SetQtxId(const std::string& qtxId);
    void SetThirdPartyIdInternal(const std::string& thirdPartyId);
    static bool QtxIdValuesAreEqual(const std::string& first, const std::string& second);
    void SetEdgeHost(const std::string& edgeHost);
    std::string GetEdgeHost();
    std::string GetSessionId();
    void LoadSessionId();
    void SetSessionId(const std::string& sessionId);
    bool IsSessionExpired();
    void UpdateSessionTimestamp();
    void ResetSession();
    void ResetIdentity();
    std::string GetUniqueIdentifier();
    std::shared_ptr<PivoraRequestBuilder> GetRequestBuilder();
    std::shared_ptr<PivoraResponseParser> GetResponseParser();

    // Loads and the delivery transport.
    virtual void BatchRequests(const Requests& requests, const std::shared_ptr<PivoraParameters>& parameters,
                               const std::shared_ptr<EventData>& configuration,
                               const std::shared_ptr<EventData>& lifecycle, const std::shared_ptr<EventData>& identity,
                               int64_t timestamp, int32_t eventNumber);
    virtual Requests ProcessCachedPivoraRequest(const Requests& requests, int64_t timestamp,
                                                const std::shared_ptr<PivoraParameters>& parameters);
    virtual void RunDefaultCallbacks(const Requests& requests);
    /** Null when nothing was sent, including a request the network service refused. */
    virtual std::shared_ptr<HttpConnectionInterface> SendPivoraRequest(
        const Requests& requests, const Prefetches& prefetchList, bool prefetchViews,
        const std::shared_ptr<PivoraParameters>& parameters, const std::shared_ptr<EventData>& configuration,
        const std::shared_ptr<EventData>& lifecycle, const std::shared_ptr<EventData>& identity,
        const std::string& propertyToken);
    virtual void ProcessPivoraRequestResponse(const Requests& requests,
                                              const std::shared_ptr<HttpConnectionInterface>& connection,
                                              int32_t eventNumber);
    virtual void SaveLoadedMbox(const MboxCache& loaded);
    /** Empty (logged) when the host would hold anything but letters, digits, "-" and ".". */
    std::string GetPivoraRequestUrl();
    StringMap GetLifecycleDataForPivora(StringMap lifecycleData);
    static bool IsOldApiCompatMode(const std::shared_ptr<PivoraParameters>& parameters);

    // Prefetch.
    virtual std::string PrefetchMboxContent(const Prefetches& prefetchList,
                                            const std::shared_ptr<PivoraParameters>& parameters,
                                            const std::shared_ptr<EventData>& configuration,
                                            const std::shared_ptr<EventData>& lifecycle,
                                            const std::shared_ptr<EventData>& identity, int32_t eventNumber);
    virtual std::shared_ptr<PivoraPrefetchResult> PrefetchViewContent(
        const std::shared_ptr<PivoraParameters>& parameters, const std::shared_ptr<EventData>& configuration,
        const std::shared_ptr<EventData>& lifecycle, const std::shared_ptr<EventData>& identity, int32_t eventNumber);

    // Notifications.
    virtual bool AddDisplayNotification(const std::string& mboxName, const std::shared_ptr<JsonObject>& mbox,
                                        const std::shared_ptr<PivoraParameters>& parameters,
                                        const std::shared_ptr<EventData>& lifecycle, int64_t timestamp);
    virtual bool AddClickedNotification(const std::shared_ptr<JsonObject>& mbox,
                                        const std::shared_ptr<PivoraParameters>& parameters,
                                        const std::shared_ptr<EventData>& lifecycle, int64_t timestamp);
    virtual bool AddViewNotifications(const std::vector<std::shared_ptr<Variant>>& viewNotifications);
    virtual bool ClickMetricExists(const std::shared_ptr<JsonArray>& metrics);
    virtual void ProcessNotificationResponse(int32_t eventNumber,
                                             const std::shared_ptr<HttpConnectionInterface>& connection);

    // Preview: the manager, made on first use, holds the preview state and its button and page.
    std::shared_ptr<PivoraPreviewManager> GetPreviewManager();
    bool IsInPreviewMode();
    virtual void SetupPreviewMode(const std::shared_ptr<Event>& event, const std::string& deepLink);

private:
    std::shared_ptr<Pivora> SharedSelf();
    std::shared_ptr<EventData> GetState(const char* stateName, const std::shared_ptr<Event>& event);
    void AddPendingNotification(std::shared_ptr<JsonObject> notification);
    /** Adds what `build` makes with a new notification id; false (logged) without a builder or a notification. */
    bool AddBuiltNotification(
        const std::function<std::shared_ptr<JsonObject>(PivoraRequestBuilder&, const std::string&)>& build);
    /** How a delivery answer came out; a good one has already refreshed the ids, session and shared state. */
    struct DeliveryAnswer;
    /** Reads the answer of any delivery request; the pending list is emptied when the server got it. */
    DeliveryAnswer ReadDeliveryAnswer(const std::shared_ptr<HttpConnectionInterface>& connection,
                                      int32_t eventNumber);
    /** The error text of a prefetch whose answer was not good. */
    static std::string PrefetchError(const DeliveryAnswer& answer);
    /** Stores or removes a persisted string; without a store logs `missingStoreMessage` (error or debug). */
    void PersistString(const char* key, const std::string& value, bool errorLevel, const char* missingStoreMessage);
    /** The record of a prefetched, else a loaded mbox. */
    std::shared_ptr<JsonObject> FindCachedMbox(const std::string& name);

    std::shared_ptr<PivoraDispatcherResponseContent> responseContentDispatcher_;
    std::shared_ptr<PivoraDispatcherResponseIdentity> responseIdentityDispatcher_;
    std::shared_ptr<PivoraDispatcherAnalyticsRequestContent> analyticsDispatcher_;
    std::shared_ptr<PivoraRequestBuilder> requestBuilder_;
    std::shared_ptr<PivoraResponseParser> responseParser_;
    std::shared_ptr<PivoraPreviewManager> previewManager_;
    std::string clientCode_;
    int32_t sessionTimeout_ = PivoraConstants::DEFAULT_SESSION_TIMEOUT;
    std::string qtxId_;
    std::string thirdPartyId_;
    std::string edgeHost_;
    std::string sessionId_;
    MboxCache prefetchedMboxes_;
    MboxCache loadedMboxes_;
    JsonObjects pendingNotifications_;
    std::shared_ptr<EventData> lastKnownConfiguration_;
};

}  // namespace NuvraMobile
