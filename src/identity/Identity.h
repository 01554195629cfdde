#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/module/InternalModule.h"
#include "core/module/WaitingEventQueue.h"
#include "identity/IdentityConstants.h"
#include "shared/MobilePrivacyStatus.h"
#include "shared/VisitorId.h"

namespace NuvraMobile {

class ConfigurationSharedStateIdentity;
class DataStoreInterface;
class Event;
class EventData;
class IdentityDispatcherAnalyticsRequestContent;
class IdentityDispatcherConfigurationRequestContent;
class IdentityDispatcherIdentityResponseIdentity;
class IdentityHitDatabase;
class IdentityObject;
class NetworkServiceInterface;
class Variant;

/**
 * The visitor identifier service. It owns the visitor id ("mid", 38 digits), the customer ids synced
 * so far, the advertising and push identifiers, and the blob, location hint and time-to-live of the
 * identity server; keeps them in the data store "visitorIDServiceDataStore"; syncs them with the
 * identity server through its persistent hit queue; follows the privacy status; decorates URLs; and
 * publishes the shared state "com.nuvra.module.identity". Requests that need the configuration wait in
 * the module's own queue, in arrival order, until the configuration state for their event exists.
 *
 * Threads: listeners run on the hub's workers and only queue named tasks. Every task, including the
 * handling of a server answer, which the hit processor queues from the hit queue's worker, runs on the
 * module's own sequential queue, so the members need no lock. Unregistration disposes the hit queue;
 * answers that arrive afterwards are dropped with the module's tasks.
 */
class Identity : public InternalModule {
public:
    using CustomerIds = std::vector<std::shared_ptr<VisitorId>>;
    using StringMap = std::map<std::string, std::string>;
    /** Seconds since the Unix epoch. */
    using Clock = std::function<std::int64_t()>;

    static constexpr const char* LOG_PREFIX = IdentityConstants::LOG_PREFIX;
    static constexpr const char* IDENTITY_PROPERTIES_DATA_STORE_NAME = "visitorIDServiceDataStore";

    Identity();
    /** Reads the time through `clock` instead of the system clock. */
    explicit Identity(Clock clock);

    std::string GetSharedStateName() const override;

    // Hub side: each only queues a named task.
    virtual void HandleIdentityRequest(const std::shared_ptr<Event>& event);
    virtual void TryProcessEventQueue();
    virtual void HandleAnalyticsResponseIdentity(const std::shared_ptr<Event>& event);
    virtual void Bootup(const std::shared_ptr<Event>& event);
    void HandleConfigurationResponse(const std::shared_ptr<Event>& event);
    void HandleAudienceResponse(const std::shared_ptr<Event>& event);
    /** Called by the hit processor on the hit queue's worker: the answer is applied as a module task. */
    void QueueNetworkResponse(const std::shared_ptr<IdentityObject>& answer, const std::string& pairId,
                              std::int32_t eventNumber);

    // Module side: called from the module's tasks only.
    virtual void ProcessEventQueue();
    /** Applies one server answer (an empty one for a failed request) and announces the identity state. */
    virtual void NetworkResponseLoaded(const std::shared_ptr<IdentityObject>& answer, const std::string& pairId,
                                       std::int32_t eventNumber);
    virtual StringMap ExtractIdentifiers(const std::shared_ptr<EventData>& data,
                                         const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual std::string GenerateURLEncodedValuesCustomerIdString(const CustomerIds& ids);
    virtual CustomerIds MergeCustomerIds(const CustomerIds& newIds);
    /** True when the event is finished; false when it must wait for a configuration with an organisation. */
    virtual bool ProcessIdentityEvent(const std::shared_ptr<Event>& event,
                                      const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual void HandleAppendUrl(const std::shared_ptr<Event>& event,
                                 const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual void HandleGetUrlVariables(const std::shared_ptr<Event>& event,
                                       const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual bool HandleSyncIdentifiers(const std::shared_ptr<Event>& event,
                                       const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual void AppendVisitorInfoForUrl(const std::string& baseUrl, const std::string& pairId,
                                         const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                                         const std::shared_ptr<EventData>& analyticsState);
    virtual void HandleIdentifiersRequest(const std::string& eventName, const std::string& pairId);
    virtual void UpdatePushIdentifier(const std::string& token);
    virtual void UpdateAdvertisingIdentifier(const std::string& identifier);
    virtual void SavePersistently();
    virtual void HandleIdentityResponseEvent(const std::string& eventName, const std::shared_ptr<EventData>& data,
                                             const std::string& pairId);
    /** True when the stored digest of the push token changed. */
    virtual bool ProcessPushToken(const std::string& token);
    /** A new 38-digit visitor id, or empty when a service is missing. */
    virtual std::string GenerateMID();
    virtual std::string GenerateInternalIdString(const StringMap& dpids);
    virtual void ProcessPrivacyChange(std::int32_t eventNumber, const std::shared_ptr<EventData>& configuration);
    virtual void SendOptOutHit(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual void LoadPrivacyStatus(const std::shared_ptr<Event>& event);
    virtual void LoadVariablesFromPersistentData();
    /** The stored text form: "&d_cid_ic=" type "%01" id "%01" state, per id. */
    virtual std::string ConvertVisitorIdObjectsVisitorIDsString(const CustomerIds& ids);
    virtual CustomerIds ConvertVisitorIDsStringToVisitorIdObjects(const std::string& text);
    virtual std::string GenerateVisitorIdPayload(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                                                 const std::shared_ptr<EventData>& analyticsState);
    virtual std::string AppendParameterToVisitorIdString(const std::string& text, const std::string& key,
                                                         const std::string& value);
    virtual void HandleIdentityConfigurationUpdateEvent(const std::shared_ptr<EventData>& data);
    virtual StringMap ExtractDpid(const std::shared_ptr<EventData>& data);
    /** Whether to send a sync; generates the visitor id when there is none, even when it cannot sync. */
    virtual bool ShouldSync(const StringMap& identifiers, const StringMap& dpids, bool forceSync,
                            const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual std::string BuildUrlString(const CustomerIds& ids, const StringMap& dpids,
                                       const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual std::string BuildOptOutUrlString(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration);
    virtual CustomerIds GenerateCustomerIds(const StringMap& identifiers, VisitorIdAuthenticationState state);

    void LoadDefaultValues();
    void ParseIDsOnjsonResponseReceivedCallback(const std::shared_ptr<IdentityObject>& answer);
    /** The identity shared state: the identifiers that are set, and always "lastsync". */
    std::shared_ptr<EventData> PackageEventData();
    /** Created on first use; empty (and retried at the next call) when it cannot be made. */
    std::shared_ptr<IdentityHitDatabase> GetIdentityDatabase();
    std::shared_ptr<DataStoreInterface> GetIdentityDataStore();
    /** Answers every waiting request but the append-URL ones, then works the queue again. */
    void ClearEventsQueue();
    std::shared_ptr<Event> CreateForcedSyncEvent(std::int32_t eventNumber);
    void HandleOptOut(const std::shared_ptr<Event>& event);
    bool GetNetworkService(std::shared_ptr<NetworkServiceInterface>& networkService);
    bool IsPushEnabled();
    bool SetPushEnabled(bool enabled);
    void ChangePushStatusAndHitAnalytics(bool enabled);

protected:
    void OnRegistered() override;
    void OnUnregistered() override;
    /** The requests waiting for a configuration, the syncs the module makes itself aside. */
    std::size_t CountRequestsLeftWaiting() override;

private:
    std::shared_ptr<Identity> SharedSelf();
    std::shared_ptr<ConfigurationSharedStateIdentity> ConfigurationAt(const std::shared_ptr<Event>& event);
    void AppendAndProcess(const std::shared_ptr<Event>& event);
    /** Answers the requests waiting behind a sync that waits for an organisation id. */
    void AnswerRequestsBehindWaitingSync();
    /** Answers an append-URL request with its URL as given: there is no organisation to decorate with. */
    void AnswerUndecoratedUrl(const std::shared_ptr<Event>& event);
    static bool IsSyncEvent(const Event& event);
    /** Replaces the customer ids and their serialized form, which every answer and shared state share. */
    void SetCustomerIds(CustomerIds ids);
    void ApplyConfigurationResponse(const std::shared_ptr<Event>& event);
    void ApplyAudienceResponse(const std::shared_ptr<Event>& event);
    void ApplyAnalyticsResponse(const std::shared_ptr<Event>& event);
    void ApplyBootup(const std::shared_ptr<Event>& event);
    /** Waits a bounded time for the hit queue to stop, then lets it go. */
    void DisposeHitDatabase();

    std::string mid_;
    std::string locationHint_;
    std::string blob_;
    std::string advertisingIdentifier_;
    std::string pushIdentifier_;
    CustomerIds customerIds_;
    /** customerIds_ as the shared state lists them; the variants are never changed once made. */
    std::vector<std::shared_ptr<Variant>> serializedCustomerIds_;
    std::int64_t ttl_ = IdentityConstants::Default::DEFAULT_TTL_VALUE;
    std::int64_t lastSync_ = 0;
    MobilePrivacyStatus privacyStatus_ = IdentityConstants::Default::DEFAULT_MOBILE_PRIVACY;
    std::shared_ptr<ConfigurationSharedStateIdentity> lastValidConfiguration_;
    std::shared_ptr<IdentityDispatcherAnalyticsRequestContent> analyticsDispatcher_;
    std::shared_ptr<IdentityDispatcherConfigurationRequestContent> configurationDispatcher_;
    std::shared_ptr<IdentityDispatcherIdentityResponseIdentity> identityResponseDispatcher_;
    WaitingEventQueue<> eventQueue_;
    bool pushEnabled_ = false;
    std::shared_ptr<IdentityHitDatabase> hitDatabase_;
    const Clock clock_;
};

}  // namespace NuvraMobile
