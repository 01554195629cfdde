#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analytics/AnalyticsConstants.h"
#include "core/module/InternalModule.h"
#include "core/module/WaitingEventQueue.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class AnalyticsDatabaseHitSchema;
class AnalyticsDispatcherAnalyticsResponseContent;
class AnalyticsDispatcherAnalyticsResponseIdentity;
class AnalyticsHitDatabase;
class AnalyticsHitProcessor;
class AnalyticsHitQueue;
class AnalyticsProperties;
class AnalyticsRequestSerializer;
class AnalyticsState;
class AnalyticsUnprocessedEvent;
class CryptoServiceInterface;
class DataStoreInterface;
class Event;
class EventData;
class SystemInfoServiceInterface;

/**
 * The measurement module "com.nuvra.module.analytics". It hears track, analytics, configuration,
 * lifecycle, acquisition, rules-consequence and hub events; requests that build hits wait in its queue
 * of unprocessed events until the configuration and identity states exist for their event, then each
 * is handled from an AnalyticsState snapshot: built into a hit, stored in the hit database and sent by
 * the hit queue's worker. It also applies the privacy status, answers queue-size and clear requests
 * and publishes the analytics identifiers as its shared state.
 *
 * Threads: listeners run on the hub's workers and only queue named tasks; module state (the queue of
 * unprocessed events, the shared-state data, the AID request bookkeeping) is touched only from the
 * module's sequential tasks. The wait timers and the AID answer hand their effects to member tasks on
 * the module's queue; the timers hold the module weakly. The hit-queue worker runs on its own thread, so
 * what it shares with the tasks is guarded: the lazily created hit database and its parts by
 * `hitDatabaseMutex_`, the most recent hit timestamp by `timestampMutex_`; AnalyticsProperties and
 * AnalyticsHitDatabase guard themselves. Unregistration disposes the hit database (timers and hit
 * queue) from a task that runs while the module unregisters.
 */
class Analytics : public InternalModule {
public:
    using SharedStates = std::map<std::string, std::shared_ptr<EventData>>;
    static constexpr const char* LOG_TAG = AnalyticsConstants::LOG_TAG;

    /** `lifecycleWaitMs`: how long new hits wait for the lifecycle data after a start (tests shorten it). */
    explicit Analytics(
        std::int64_t lifecycleWaitMs = AnalyticsConstants::Default::DEFAULT_LIFECYCLE_RESPONSE_WAIT_TIMEOUT);

    std::string GetSharedStateName() const override;

    // Handlers: called by the listeners; each checks the event and queues a named task.
    virtual void HandleAnalyticsContentRequest(const std::shared_ptr<Event>& event);
    virtual void HandleAnalyticsIdentityRequest(const std::shared_ptr<Event>& event);
    virtual void HandleConfigurationEvent(const std::shared_ptr<Event>& event);
    virtual void HandleAcquisitionContentEvent(const std::shared_ptr<Event>& event);
    virtual void HandleLifecycleResponseEvent(const std::shared_ptr<Event>& event);
    virtual void HandleSharedStateUpdateEvent(const std::shared_ptr<Event>& event);
    virtual void HandleHubBootedEvent(const std::shared_ptr<Event>& event);
    virtual void HandleAnalyticsConsequenceEvent(const std::shared_ptr<Event>& event);
    virtual void HandleLifecycleRequestEvent(const std::shared_ptr<Event>& event);

    // Hit building.
    /** Builds one hit from the request data and stores it (fills the placeholder when backdated). */
    virtual void Track(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<EventData>& data,
                       std::int64_t timestampSeconds, bool backdated);
    /** The hit's context data: default data, the caller's context data, action, time since launch ... */
    virtual std::map<std::string, std::string> ProcessAnalyticsData(const std::shared_ptr<AnalyticsState>& state,
                                                                    const std::shared_ptr<EventData>& data);
    /** The hit's variables: "pe"/"pev2", "pageName", "aid", "vid", "ce", "t", "ts", visitor ids, "cp". */
    virtual std::map<std::string, std::string> ProcessAnalyticsVars(const std::shared_ptr<AnalyticsState>& state,
                                                                    const std::shared_ptr<EventData>& data,
                                                                    std::int64_t timestampSeconds);

    // Privacy and the queue.
    virtual void UpdatePrivacyStatus(const std::shared_ptr<AnalyticsState>& state, std::int32_t eventNumber);
    /**
     * For an opt-out whose configuration response has `responseEventNumber`: drops the waiting requests made
     * before the opt-out took effect and deletes every stored hit. A request made after it (after a later
     * opt-in, say) stays and is handled with the configuration of its own event.
     */
    virtual void ClearHitsMadeBeforeOptOut(std::int32_t responseEventNumber);
    virtual void PurgeAid();
    virtual void PurgeVid();
    /** Answers with the stored hits plus the waiting track and force-kick requests. */
    virtual void GetTrackingQueueSize(const std::string& pairId);

    // Analytics identifiers.
    /** Publishes the identifiers for the event and answers the request. */
    virtual void HandleAnalyticsIdRequest(const std::shared_ptr<AnalyticsState>& state, const std::string& pairId,
                                          std::int32_t eventNumber);
    /** https://<server>/id with "mid" and "slorgid" when the visitor id service is enabled. */
    virtual std::string RetrieveAnalyticsIdUrl(const std::shared_ptr<AnalyticsState>& state);
    virtual std::map<std::string, std::string> GetGlenmoorIdQueryParameters(
        const std::shared_ptr<AnalyticsState>& state);
    /**
     * The AID to use for the server's answer: its "id" when that has exactly 33 characters, otherwise ""
     * with an organisation id and a generated AID without one. Throws SdkError without the JSON service.
     */
    virtual std::string ParseIdentifier(const std::shared_ptr<AnalyticsState>& state, const std::string& response);
    /** A new AID: 16 hex digits (first 0-7), "-", 16 hex digits (first 0-3); "" without a UUID. */
    virtual std::string GenerateAID();

    // The queue of requests waiting for shared states.
    /** Queues the request with its hard and soft shared-state dependencies; null data is dropped. */
    virtual void PutEvent(const std::shared_ptr<Event>& event, const std::vector<std::string>& hardDependencies,
                          const std::vector<std::string>& softDependencies);
    /** Runs waiting requests from the front while their hard dependencies are available. */
    virtual void ProcessEvents();
    /** Routes one ready request by its type and source. */
    virtual void Process(const std::shared_ptr<Event>& event, const SharedStates& sharedStates);

    // Lifecycle and acquisition tracking (filled in by the lifecycle tracking).
    virtual void TrackLifecycle(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<Event>& event);
    virtual void trackAcquisition(const std::shared_ptr<AnalyticsState>& state,
                                  const std::shared_ptr<Event>& event);
    /** A backdated "Crash" hit one second after the most recent hit. */
    virtual void BackdateLifecycleCrash(const std::shared_ptr<AnalyticsState>& state);
    /** A backdated "SessionInfo" hit one second after the most recent hit or the previous pause. */
    virtual void BackdateLifecycleSessionInfo(const std::shared_ptr<AnalyticsState>& state,
                                              const std::string& previousSessionLength,
                                              std::int64_t previousPauseTimestampSeconds);

    virtual std::string GetLocale();
    /** Moves the persisted most recent hit timestamp forward; an older or equal value changes nothing. */
    virtual void SetMostRecentHitTimestamp(std::int64_t timestampSeconds);
    virtual std::int64_t GetMostRecentHitTimestamp();
    virtual void UpdateAnalyticsIdInLocalStorage(const std::string& analyticsId);
    virtual void UpdateVisitorIDInLocalStorage(const std::string& visitorId);
    /** Stores and publishes the visitor identifier and answers the request. */
    virtual void HandleVisitorIdentifierRequest(const std::string& visitorId, std::int32_t eventNumber,
                                                const std::string& pairId);
    /** The hard dependencies' states valid for the event (deep copies) and the available soft ones. */
    virtual SharedStates GetSharedState(const std::shared_ptr<AnalyticsUnprocessedEvent>& unprocessedEvent);
    /** Publishes "aid" and "vid" of the properties at the version (creates or updates). */
    virtual void UpdateOrCreateAnalyticsSharedState(std::int32_t version, bool create);
    virtual std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService();
    virtual std::shared_ptr<DataStoreInterface> GetDataStore();
    virtual std::shared_ptr<CryptoServiceInterface> GetCryptoService();
    virtual std::string GetActionKey(bool internal) const;
    virtual std::string GetActionPrefix(bool internal) const;
    virtual void ForceKickEventsFromDB(const std::shared_ptr<AnalyticsState>& state);
    /** Arms the lifecycle timer: new hits wait for the lifecycle data for up to the lifecycle wait. */
    virtual void WaitForLifecycleData();
    /** Arms the referrer timer: new hits wait for acquisition data for up to `timeoutMs`. */
    virtual void WaitForAcquisitionData(const std::shared_ptr<AnalyticsState>& state, std::int64_t timeoutMs);
    virtual std::shared_ptr<AnalyticsHitDatabase> GetHitDatabase();
    virtual std::shared_ptr<AnalyticsHitQueue> GetHitQueue();
    virtual std::shared_ptr<AnalyticsDatabaseHitSchema> GetHitSchema();
    virtual std::shared_ptr<AnalyticsHitProcessor> GetHitProcessor();
    /** Seconds from the start to now; negative for a start in the future. */
    virtual std::int64_t GetTimeSinceLaunch(std::int64_t startSeconds) const;
    /** "PushMessage", "In-App Message" or "NuvraLink" by the acquisition context data. */
    virtual std::string IdentifyAcquisitionStateName(const std::map<std::string, std::string>& contextData) const;

    std::shared_ptr<AnalyticsProperties> GetProperties() const { return properties_; }

protected:
    void OnRegistered() override;
    void OnUnregistered() override;
    /** The requests waiting for shared states, the hub's booted event (the module's own start) aside. */
    std::size_t CountRequestsLeftWaiting() override;

private:
    std::shared_ptr<Analytics> SharedSelf();
    /** The hit database when one was built; never builds one. */
    std::shared_ptr<AnalyticsHitDatabase> BuiltHitDatabase();
    /** False, with the trace message, for a null event, or for null data when a message is given. */
    static bool IsHandleable(const std::shared_ptr<Event>& event, const char* nullEventMessage,
                             const char* nullDataMessage);
    void ProcessContentRequest(const std::shared_ptr<Event>& event);
    void ProcessIdentityRequest(const std::shared_ptr<Event>& event);
    void ProcessConfigurationEvent(const std::shared_ptr<Event>& event);
    void ProcessAcquisitionContentEvent(const std::shared_ptr<Event>& event);
    void ProcessLifecycleResponseEvent(const std::shared_ptr<Event>& event);
    void ProcessSharedStateUpdateEvent(const std::shared_ptr<Event>& event);
    void ProcessConsequenceEvent(const std::shared_ptr<Event>& event);
    void ProcessLifecycleRequestEvent(const std::shared_ptr<Event>& event);
    void QueueAndProcess(const std::shared_ptr<Event>& event, const std::vector<std::string>& softDependencies,
                         bool configurationOnly = false);
    void ProcessRulesConsequence(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<Event>& event);
    /**
     * Before a request is built: when the configuration was opted out at an event after the previous request
     * built, that opt-out applies here, in event order, whether or not its response was handled yet: the
     * hits stored so far, all made before it, are deleted.
     */
    void ClearHitsOfAnOptOutPassedBy(const std::shared_ptr<Event>& request);
    /**
     * The state a kick out of request order takes (a configuration answer's, a wait's expiry), which
     * points every stored row at its server. Such a kick can run after a request built with a newer
     * configuration stored its hit: it takes the configuration valid at the newer of its own event (an
     * expiry has none) and the last built request's, or, while that one is pending, the newest published
     * before it, so that no row goes back to a server the configuration has left. `own` when no event
     * has a configuration.
     */
    std::shared_ptr<AnalyticsState> NewestKnownConfigurationState(
        const std::shared_ptr<AnalyticsState>& own,
        std::optional<std::int32_t> ownEventNumber = std::nullopt);
    /**
     * Sets the hit database's send gate to the privacy in event order and returns the state it follows:
     * the configuration valid at the newer of the last built request and the newest configuration answer
     * heard. A request is built once its own configuration exists, which can be after an answer of a
     * later event was handled, and an answer can be handled after a request of a later configuration was
     * built: either alone can be older than the other. `own` when no event has a configuration. While an
     * opt-out lies between the last built request and that configuration, and its hits are not cleared yet,
     * the gate stays shut: the stored hits were made before it.
     */
    std::shared_ptr<AnalyticsState> FollowPrivacyInEventOrder(
        const std::shared_ptr<AnalyticsState>& own, const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase);
    /** Answers and drops the waiting requests that `clears` picks; the rest keep their order. */
    void ClearUnprocessedEventQueue(const std::function<bool(const Event&)>& clears);
    void ClearStoredHits();
    /** The shared-state data as published: a copy, so later changes never reach readers. */
    std::shared_ptr<EventData> PublishableSharedStateData();
    /**
     * Ends a wait with the data it waited for. The data goes into the waiting hit while the wait still
     * holds that hit back from the queue's worker; only then does the wait end and the queue get a kick.
     */
    void EndWaitWithData(const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase,
                         const std::shared_ptr<AnalyticsState>& state,
                         const std::map<std::string, std::string>& data,
                         void (AnalyticsProperties::*cancelWait)());
    /** Arms a fresh wait timer whose expiry clears its flag and kicks the held hits on the module queue. */
    void ArmWaitTimer(const std::shared_ptr<AnalyticsState>& state, std::int64_t timeoutMs, bool lifecycle);
    /** Leaves the request's state pending and asks the server, unless a request is already out. */
    void RequestAnalyticsId(const std::shared_ptr<AnalyticsState>& state, const std::string& pairId,
                            std::int32_t eventNumber);
    /**
     * Settles the AID with the server's answer (empty `response` when none came; `transportFailed` when
     * no answer could be had) and fills the pending state of every waiting request.
     */
    void FinishAnalyticsIdRequest(const std::shared_ptr<AnalyticsState>& state, const std::string& response,
                                  bool transportFailed, std::uint64_t purgesAtRequest);
    /** The server's "id" when it has exactly 33 characters, else ""; throws without the JSON service. */
    std::string ReadServerAnalyticsId(const std::string& response);
    /** The fallback AID after a failure: the stored one, else "" with an organisation, else a new one. */
    std::string FallbackAnalyticsId(const std::shared_ptr<AnalyticsState>& state);

    struct AnalyticsIdWaiter {
        std::int32_t eventNumber;
        std::string pairId;
    };

    const std::int64_t lifecycleWaitMs_;
    std::shared_ptr<EventData> sharedStateData_;
    Mutex timestampMutex_;
    std::int64_t mostRecentHitTimestamp_ NVR_GUARDED_BY(timestampMutex_) = 0;
    std::shared_ptr<AnalyticsDispatcherAnalyticsResponseIdentity> identityDispatcher_;
    std::shared_ptr<AnalyticsDispatcherAnalyticsResponseContent> contentDispatcher_;
    RecursiveMutex hitDatabaseMutex_;
    std::shared_ptr<AnalyticsHitDatabase> hitDatabase_ NVR_GUARDED_BY(hitDatabaseMutex_);
    std::shared_ptr<AnalyticsHitProcessor> hitProcessor_ NVR_GUARDED_BY(hitDatabaseMutex_);
    std::shared_ptr<AnalyticsDatabaseHitSchema> hitSchema_ NVR_GUARDED_BY(hitDatabaseMutex_);
    std::shared_ptr<AnalyticsHitQueue> hitQueue_ NVR_GUARDED_BY(hitDatabaseMutex_);
    std::shared_ptr<AnalyticsProperties> properties_;
    std::shared_ptr<AnalyticsRequestSerializer> requestSerializer_;
    WaitingEventQueue<std::shared_ptr<AnalyticsUnprocessedEvent>> unprocessedEvents_;
    std::vector<std::string> dependencyNames_;
    struct BuiltRequest {
        std::int32_t eventNumber = -1;
        /** The hub's configuration object valid at that event. */
        std::shared_ptr<EventData> configuration;
    };
    /** The request most recently taken from the queue to be built. */
    BuiltRequest lastBuiltRequest_;
    /** The event of the newest configuration answer, or configuration state change, handled. */
    std::optional<std::int32_t> newestConfigurationAnswer_;
    /** The newest event whose opt-out has cleared the hits made before it. */
    std::int32_t optOutClearedThrough_ = -1;
    /** The state of the most recently processed request; a pause kicks held hits with it. */
    std::shared_ptr<AnalyticsState> lastState_;
    /** The requests whose pending state the one outstanding AID request fills. */
    std::vector<AnalyticsIdWaiter> analyticsIdWaiters_;
    /** Counts AID purges, so that an answer asked for before an opt-out is not stored after it. */
    std::uint64_t analyticsIdPurges_ = 0;
};

}  // namespace NuvraMobile
