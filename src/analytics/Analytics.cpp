#include "analytics/Analytics.h"

#include <algorithm>

#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "analytics/AnalyticsDispatchers.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsHitProcessor.h"
#include "analytics/AnalyticsHitQueue.h"
#include "analytics/AnalyticsListeners.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsRequestSerializer.h"
#include "analytics/AnalyticsState.h"
#include "analytics/AnalyticsUnprocessedEvent.h"
#include "analytics/ConfigurationSearch.h"
#include "core/execution/BoundedDisposal.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/TimeUtils.h"

// The module object: registration, the turning of events into tasks, privacy, the queue-size and
// clear requests, the shared state, the persisted values and the lazily created hit database. The
// queue of waiting requests is in AnalyticsEventQueue.cpp, hit building in AnalyticsHitBuilding.cpp.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;
namespace LifecycleKeys = AnalyticsConstants::EventDataKeys::Lifecycle;
namespace StateKeys = AnalyticsConstants::SharedStateKeys;

namespace {


bool IsTrackOrForceKickRequest(const Event& event) {
    return (event.GetEventType() == EventType::ANALYTICS || event.GetEventType() == EventType::GENERIC_TRACK) &&
           event.GetEventSource() == EventSource::REQUEST_CONTENT;
}

// Sent hits' responses go out as analytics response-content events; none without a dispatcher.
AnalyticsHitDatabase::ResponseHandler HitResponseHandler(
    const std::shared_ptr<AnalyticsDispatcherAnalyticsResponseContent>& dispatcher) {
    if (!dispatcher) {
        return nullptr;
    }
    return [dispatcher](const std::string& response, const std::map<std::string, std::string>& headers,
                        const std::string& requestEventIdentifier, const std::string& hitHost,
                        const std::string& hitUrl) {
        dispatcher->DispatchAnalyticsHitResponse(response, headers, requestEventIdentifier, hitHost, hitUrl);
    };
}

}  // namespace

Analytics::Analytics(std::int64_t lifecycleWaitMs)
    : InternalModule(StateKeys::ANALYTICS), lifecycleWaitMs_(lifecycleWaitMs) {}

std::string Analytics::GetSharedStateName() const { return StateKeys::ANALYTICS; }

std::shared_ptr<Analytics> Analytics::SharedSelf() {
    return std::dynamic_pointer_cast<Analytics>(shared_from_this());
}

void Analytics::OnRegistered() {
    RegisterListener<AnalyticsListenerRulesEngineResponseContent>(EventType::RULES_ENGINE,
                                                                  EventSource::RESPONSE_CONTENT);
    RegisterListener<AnalyticsListenerAnalyticsRequestContent>(EventType::ANALYTICS, EventSource::REQUEST_CONTENT);
    RegisterListener<AnalyticsListenerGenericTrackRequestContent>(EventType::GENERIC_TRACK,
                                                                  EventSource::REQUEST_CONTENT);
    RegisterListener<AnalyticsListenerAnalyticsRequestIdentity>(EventType::ANALYTICS, EventSource::REQUEST_IDENTITY);
    RegisterListener<AnalyticsListenerConfigurationResponseContent>(EventType::CONFIGURATION,
                                                                    EventSource::RESPONSE_CONTENT);
    RegisterListener<AnalyticsListenerAcquisitionResponseContent>(EventType::ACQUISITION,
                                                                  EventSource::RESPONSE_CONTENT);
    RegisterListener<AnalyticsListenerLifecycleResponseContent>(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT);
    RegisterListener<AnalyticsListenerHubSharedState>(EventType::HUB, EventSource::SHARED_STATE);
    RegisterListener<AnalyticsListenerHubBooted>(EventType::HUB, EventSource::BOOTED);
    RegisterListener<AnalyticsListenerLifecycleRequestContent>(EventType::GENERIC_LIFECYCLE,
                                                               EventSource::REQUEST_CONTENT);
    contentDispatcher_ = CreateDispatcher<AnalyticsDispatcherAnalyticsResponseContent>();
    identityDispatcher_ = CreateDispatcher<AnalyticsDispatcherAnalyticsResponseIdentity>();
    properties_ = std::make_shared<AnalyticsProperties>(GetPlatformServices());
    dependencyNames_ = {StateKeys::CONFIGURATION, StateKeys::IDENTITY};
    requestSerializer_ = std::make_shared<AnalyticsRequestSerializer>();
    GetLocale();
}

void Analytics::OnUnregistered() {
    auto self = SharedSelf();
    AddTaskToQueue(
        "unregistration",
        [self] {
            // Fired timers keep their threads until cancelled, also without a hit database to stop them.
            self->properties_->CancelLifecycleTimer();
            self->properties_->CancelReferrerTimer();
            if (const auto hitDatabase = self->BuiltHitDatabase()) {
                DisposeWithin(
                    MODULE_HIT_QUEUE_DISPOSE_LIMIT,
                    [&hitDatabase](std::chrono::milliseconds timeout) { return hitDatabase->Dispose(timeout); },
                    LOG_TAG, "The analytics hit queue");
            }
        },
        ModuleTaskOptions{true});
}

std::shared_ptr<AnalyticsHitDatabase> Analytics::BuiltHitDatabase() {
    RecursiveMutexLock lock(hitDatabaseMutex_);
    return hitDatabase_;
}

bool Analytics::IsHandleable(const std::shared_ptr<Event>& event, const char* nullEventMessage,
                             const char* nullDataMessage) {
    if (!event) {
        Log::Trace(LOG_TAG, nullEventMessage);
        return false;
    }
    if (nullDataMessage && !event->GetData()) {
        Log::Trace(LOG_TAG, nullDataMessage);
        return false;
    }
    return true;
}

void Analytics::HandleAnalyticsContentRequest(const std::shared_ptr<Event>& event) {
    if (IsHandleable(event, "Ignoring null request content event",
                     "Failed to process REQUEST_CONTENT event (data was null)")) {
        QueueMemberTask(*this, "AnalyticsContentRequest", &Analytics::ProcessContentRequest, event);
    }
}

void Analytics::HandleAnalyticsIdentityRequest(const std::shared_ptr<Event>& event) {
    if (IsHandleable(event, "Ignoring null identity request event",
                     "Failed to process identity request event (data was null)")) {
        QueueMemberTask(*this, "AnalyticsIdentityRequest", &Analytics::ProcessIdentityRequest, event);
    }
}

void Analytics::HandleConfigurationEvent(const std::shared_ptr<Event>& event) {
    if (IsHandleable(event, "Ignoring null configuration event",
                     "Failed to process configuration event (data was null)")) {
        QueueMemberTask(*this, "AnalyticsConfigurationEvent", &Analytics::ProcessConfigurationEvent, event);
    }
}

void Analytics::HandleAcquisitionContentEvent(const std::shared_ptr<Event>& event) {
    if (IsHandleable(event, "Ignoring null acquisition event", nullptr)) {
        QueueMemberTask(*this, "AnalyticsAcquisitionContentEvent", &Analytics::ProcessAcquisitionContentEvent, event);
    }
}

void Analytics::HandleLifecycleResponseEvent(const std::shared_ptr<Event>& event) {
    if (IsHandleable(event, "Ignoring null lifecycle event", "Failed to process lifecycle event (data was null)")) {
        QueueMemberTask(*this, "AnalyticsLifecycleContentEvent", &Analytics::ProcessLifecycleResponseEvent, event);
    }
}

void Analytics::HandleSharedStateUpdateEvent(const std::shared_ptr<Event>& event) {
    if (!IsHandleable(event, "Ignoring null shared state update event",
                      "Failed to process shared state update event (data was null)")) {
        return;
    }
    const std::string owner = event->GetData()->OptString(Keys::STATE_OWNER, "");
    if (owner.empty() || (owner != StateKeys::CONFIGURATION && owner != StateKeys::IDENTITY)) {
        Log::Trace(LOG_TAG,
                   "Failed to process shared state update event (invalid state owner or not a dependent module)");
        return;
    }
    QueueMemberTask(*this, "AnalyticsSharedStateUpdateEvent", &Analytics::ProcessSharedStateUpdateEvent, event);
}

void Analytics::HandleHubBootedEvent(const std::shared_ptr<Event>& event) { HandleAnalyticsIdentityRequest(event); }

void Analytics::HandleAnalyticsConsequenceEvent(const std::shared_ptr<Event>& event) {
    if (!event) {
        Log::Debug(LOG_TAG, "Ignoring analytics consequence event, event was null");
        return;
    }
    QueueMemberTask(*this, "AnalyticsProcessingRulesConsequence", &Analytics::ProcessConsequenceEvent, event);
}

void Analytics::HandleLifecycleRequestEvent(const std::shared_ptr<Event>& event) {
    if (!event) {
        return;
    }
    QueueMemberTask(*this, "AnalyticsLifecycleRequestEvent", &Analytics::ProcessLifecycleRequestEvent, event);
}

void Analytics::QueueAndProcess(const std::shared_ptr<Event>& event, const std::vector<std::string>& softDependencies,
                                bool configurationOnly) {
    PutEvent(event, configurationOnly ? std::vector<std::string>{StateKeys::CONFIGURATION} : dependencyNames_,
             softDependencies);
    ProcessEvents();
}

void Analytics::ProcessContentRequest(const std::shared_ptr<Event>& event) {
    const auto& data = *event->GetData();
    if (data.ContainsKey(Keys::CLEAR_HITS_QUEUE)) {
        // The waiting identifier and booted requests stay: the booted one loads the stored identifier.
        ClearUnprocessedEventQueue(IsTrackOrForceKickRequest);
        ClearStoredHits();
    } else if (data.ContainsKey(Keys::GET_QUEUE_SIZE)) {
        GetTrackingQueueSize(event->GetResponsePairID());
    } else if (data.ContainsKey(Keys::FORCE_KICK_HITS)) {
        QueueAndProcess(event, {StateKeys::PLACES}, true);
    } else if (data.ContainsKey(Keys::TRACK_ACTION) || data.ContainsKey(Keys::TRACK_STATE) ||
               data.ContainsKey(Keys::CONTEXT_DATA)) {
        QueueAndProcess(event, {StateKeys::LIFECYCLE, StateKeys::PLACES});
    }
}

void Analytics::ProcessIdentityRequest(const std::shared_ptr<Event>& event) { QueueAndProcess(event, {}); }

void Analytics::ProcessConfigurationEvent(const std::shared_ptr<Event>& event) {
    const auto state = std::make_shared<AnalyticsState>(SharedStates{{StateKeys::CONFIGURATION, event->GetData()}});
    UpdatePrivacyStatus(state, event->GetEventNumber());
}

void Analytics::ProcessAcquisitionContentEvent(const std::shared_ptr<Event>& event) {
    if (!properties_->IsReferrerTimerRunning()) {
        QueueAndProcess(event, {StateKeys::LIFECYCLE});
        return;
    }
    Log::Debug(LOG_TAG, "Acquisition response received with referrer data.");
    const auto state = std::make_shared<AnalyticsState>(
        SharedStates{{StateKeys::CONFIGURATION, GetSharedEventState(StateKeys::CONFIGURATION, event)}});
    const auto hitDatabase = GetHitDatabase();
    if (!hitDatabase) {
        properties_->CancelReferrerTimer();
        Log::Warning(LOG_TAG, "Unable to kick analytic hit with referrer data. Database Service is unavailable");
        return;
    }
    std::map<std::string, std::string> contextData;
    if (event->GetData()) {
        event->GetData()->GetStringMap(Keys::CONTEXT_DATA, contextData);
    }
    EndWaitWithData(hitDatabase, state, contextData, &AnalyticsProperties::CancelReferrerTimer);
}

void Analytics::EndWaitWithData(const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase,
                                const std::shared_ptr<AnalyticsState>& state,
                                const std::map<std::string, std::string>& data,
                                void (AnalyticsProperties::*cancelWait)()) {
    hitDatabase->KickWithAdditionalData(state, data);
    ((*properties_).*cancelWait)();
    hitDatabase->Kick(state, false);
}

void Analytics::ProcessLifecycleResponseEvent(const std::shared_ptr<Event>& event) {
    QueueAndProcess(event, {StateKeys::ACQUISITION, StateKeys::LIFECYCLE, StateKeys::PLACES});
}

// A configuration written without an answer of its own (one held for the first download, an opt-out among
// them) is known from its state change: a hit built after it does not go out before that opt-out clears it.
void Analytics::ProcessSharedStateUpdateEvent(const std::shared_ptr<Event>& event) {
    if (event->GetData()->OptString(Keys::STATE_OWNER, "") == StateKeys::CONFIGURATION) {
        newestConfigurationAnswer_ =
            std::max(newestConfigurationAnswer_.value_or(event->GetEventNumber()), event->GetEventNumber());
    }
    ProcessEvents();
}

void Analytics::ProcessConsequenceEvent(const std::shared_ptr<Event>& event) {
    QueueAndProcess(event, {StateKeys::ACQUISITION, StateKeys::LIFECYCLE, StateKeys::PLACES});
}

void Analytics::ProcessLifecycleRequestEvent(const std::shared_ptr<Event>& event) {
    const std::string action =
        event->GetData() ? event->GetData()->OptString(LifecycleKeys::LIFECYCLE_ACTION_KEY, "") : "";
    if (action == LifecycleKeys::LIFECYCLE_START) {
        if (properties_->IsLifecycleTimerRunning()) {
            return;
        }
        WaitForLifecycleData();
        if (const auto hitDatabase = GetHitDatabase()) {
            hitDatabase->ResetIsWaitingFlag();
            hitDatabase->Queue(nullptr, "", 0, false, true);
        }
    } else if (action == LifecycleKeys::LIFECYCLE_PAUSE) {
        const bool held = properties_->IsDatabaseWaiting();
        properties_->CancelLifecycleTimer();
        properties_->CancelReferrerTimer();
        // No expiry will release what the timers held: a quick background still sends the launch hit.
        if (const auto hitDatabase = held ? GetHitDatabase() : nullptr) {
            hitDatabase->Kick(lastState_, false);
        }
    }
}

void Analytics::UpdatePrivacyStatus(const std::shared_ptr<AnalyticsState>& state, std::int32_t eventNumber) {
    newestConfigurationAnswer_ = std::max(newestConfigurationAnswer_.value_or(eventNumber), eventNumber);
    const auto hitDatabase = GetHitDatabase();
    const auto newest = FollowPrivacyInEventOrder(state, hitDatabase);
    if (state->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        CreateSharedState(eventNumber, std::make_shared<EventData>());
        ClearHitsMadeBeforeOptOut(eventNumber);
        PurgeAid();
        PurgeVid();
    }
    if (newest->GetPrivacyStatus() != MobilePrivacyStatus::OPT_IN) {
        // Stored hits stay, and a worker that is sending stops before its next hit.
        if (const auto hitQueue = GetHitQueue()) {
            hitQueue->Suspend();
        }
    } else if (hitDatabase) {
        hitDatabase->Kick(newest, false);
    } else {
        Log::Warning(LOG_TAG, "Unable to kick analytics hits (database service unavailable)");
    }
}

std::shared_ptr<AnalyticsState> Analytics::FollowPrivacyInEventOrder(
    const std::shared_ptr<AnalyticsState>& own, const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase) {
    const auto newest = NewestKnownConfigurationState(own, newestConfigurationAnswer_);
    if (hitDatabase && newest) {
        const std::int32_t passed = std::max(lastBuiltRequest_.eventNumber, optOutClearedThrough_);
        const bool optOutAhead =
            NewestOptedOutEvent(*this, passed + 1, std::max(newestConfigurationAnswer_.value_or(passed), passed))
                .has_value();
        hitDatabase->SetPrivacyStatus(optOutAhead ? MobilePrivacyStatus::OPT_OUT : newest->GetPrivacyStatus());
    }
    return newest;
}

std::shared_ptr<AnalyticsState> Analytics::NewestKnownConfigurationState(
    const std::shared_ptr<AnalyticsState>& own, std::optional<std::int32_t> ownEventNumber) {
    const std::int32_t lastBuilt = lastBuiltRequest_.eventNumber;
    const auto newest = NewestAvailableConfiguration(*this, std::max(lastBuilt, 0),
                                                     std::max(ownEventNumber.value_or(lastBuilt), lastBuilt));
    if (!newest) {
        return own;
    }
    return std::make_shared<AnalyticsState>(SharedStates{{StateKeys::CONFIGURATION, newest}});
}

void Analytics::ClearHitsMadeBeforeOptOut(std::int32_t responseEventNumber) {
    const auto optedOutAt = NewestOptedOutEvent(*this, 0, responseEventNumber);
    // Without the opt-out among the published states its place is unknown: everything is cleared.
    const std::int32_t lastMadeBefore = optedOutAt.value_or(responseEventNumber);
    ClearUnprocessedEventQueue(
        [lastMadeBefore](const Event& request) { return request.GetEventNumber() <= lastMadeBefore; });
    // A request made after the opt-out and built already has deleted the hits stored before it.
    if (lastBuiltRequest_.eventNumber <= lastMadeBefore) {
        ClearStoredHits();
    }
    optOutClearedThrough_ = std::max(optOutClearedThrough_, lastMadeBefore);
}

void Analytics::ClearStoredHits() {
    if (const auto hitDatabase = GetHitDatabase()) {
        hitDatabase->ClearTrackingQueue();
    } else {
        Log::Warning(LOG_TAG, "Unable to clear tracking queue (database service unavailable)");
    }
}

void Analytics::ClearUnprocessedEventQueue(const std::function<bool(const Event&)>& clears) {
    const auto scope = decltype(unprocessedEvents_)::Scope::WHOLE_QUEUE;
    unprocessedEvents_.RemoveIf(scope, [this, &clears](const std::shared_ptr<AnalyticsUnprocessedEvent>& unprocessed) {
        const auto& event = unprocessed->GetEvent();
        if (!clears(*event)) {
            return false;
        }
        if (event->GetEventType() == EventType::ANALYTICS && event->GetEventSource() == EventSource::REQUEST_IDENTITY) {
            identityDispatcher_->DispatchAnalyticsIdentity("", "", event->GetResponsePairID());
        } else if (event->GetEventType() == EventType::ANALYTICS &&
                   event->GetEventSource() == EventSource::REQUEST_CONTENT) {
            contentDispatcher_->DispatchQueueSize(0, event->GetResponsePairID());
        }
        return true;
    });
}

void Analytics::PurgeAid() {
    ++analyticsIdPurges_;
    if (sharedStateData_) {
        sharedStateData_->PutString(Keys::ANALYTICS_ID, "");
    }
    if (properties_) {
        properties_->SetAnalyticsId("");
    }
    UpdateAnalyticsIdInLocalStorage("");
}

void Analytics::PurgeVid() {
    if (sharedStateData_) {
        sharedStateData_->PutString(Keys::VISITOR_IDENTIFIER, "");
    }
    UpdateVisitorIDInLocalStorage("");
}

void Analytics::GetTrackingQueueSize(const std::string& pairId) {
    std::int64_t size = 0;
    if (const auto hitDatabase = GetHitDatabase()) {
        size = hitDatabase->GetTrackingQueueSize();
    } else {
        Log::Error(LOG_TAG, "Database queueSize is 0. Database Service unavailable");
    }
    size += static_cast<std::int64_t>(unprocessedEvents_.CountIf(
        [](const std::shared_ptr<AnalyticsUnprocessedEvent>& unprocessed) {
            return IsTrackOrForceKickRequest(*unprocessed->GetEvent());
        }));
    contentDispatcher_->DispatchQueueSize(size, pairId);
}

void Analytics::ForceKickEventsFromDB(const std::shared_ptr<AnalyticsState>& state) {
    if (const auto hitDatabase = GetHitDatabase()) {
        hitDatabase->ForceKick(state);
    } else {
        Log::Warning(LOG_TAG, "Unable to force kick the analytics hits. Database Service unavailable");
    }
}

std::shared_ptr<EventData> Analytics::PublishableSharedStateData() {
    if (!sharedStateData_) {
        sharedStateData_ = std::make_shared<EventData>();
    }
    return sharedStateData_->Copy();
}

void Analytics::UpdateOrCreateAnalyticsSharedState(std::int32_t version, bool create) {
    if (!sharedStateData_) {
        sharedStateData_ = std::make_shared<EventData>();
    }
    if (properties_) {
        sharedStateData_->PutString(Keys::ANALYTICS_ID, properties_->GetAnalyticsId());
        sharedStateData_->PutString(Keys::VISITOR_IDENTIFIER, properties_->GetVisitorId());
    }
    if (create) {
        CreateSharedState(version, PublishableSharedStateData());
    } else {
        UpdateSharedState(version, PublishableSharedStateData());
    }
}

std::string Analytics::GetLocale() {
    if (properties_) {
        const std::string locale = properties_->GetLocale();
        if (!locale.empty()) {
            return locale;
        }
    }
    const auto systemInfo = GetSystemInfoService();
    if (!systemInfo) {
        Log::Debug(LOG_TAG, "SystemInfo Service is not available. Could not load the locale");
        return "";
    }
    const std::string locale = systemInfo->GetActiveLocaleName();
    if (properties_) {
        properties_->SetLocale(locale);
    }
    return locale;
}

std::int64_t Analytics::GetMostRecentHitTimestamp() {
    MutexLock lock(timestampMutex_);
    if (mostRecentHitTimestamp_ > 0) {
        return mostRecentHitTimestamp_;
    }
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Error(LOG_TAG,
                   "LocalStorage Service not initialized. Unable to get most recent hit timestamp from persistence");
        return mostRecentHitTimestamp_;
    }
    mostRecentHitTimestamp_ = dataStore->GetLong(AnalyticsConstants::MOST_RECENT_HIT_TIMESTAMP_SECONDS, 0);
    return mostRecentHitTimestamp_;
}

void Analytics::SetMostRecentHitTimestamp(std::int64_t timestampSeconds) {
    if (GetMostRecentHitTimestamp() >= timestampSeconds) {
        return;
    }
    MutexLock lock(timestampMutex_);
    if (mostRecentHitTimestamp_ >= timestampSeconds) {
        return;
    }
    mostRecentHitTimestamp_ = timestampSeconds;
    if (const auto dataStore = GetDataStore()) {
        dataStore->SetLong(AnalyticsConstants::MOST_RECENT_HIT_TIMESTAMP_SECONDS, timestampSeconds);
    } else {
        Log::Error(LOG_TAG,
                   "LocalStorage Service not initialized. Unable to set most recent hit timestamp in persistence");
    }
}

std::shared_ptr<SystemInfoServiceInterface> Analytics::GetSystemInfoService() {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_TAG, "Platform services are not available");
        return nullptr;
    }
    return platformServices->GetSystemInfoService();
}

std::shared_ptr<DataStoreInterface> Analytics::GetDataStore() {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_TAG, "Platform services are not available");
        return nullptr;
    }
    const auto localStorage = platformServices->GetLocalStorageService();
    if (!localStorage) {
        Log::Warning(LOG_TAG, "Local storage services are not available");
        return nullptr;
    }
    return localStorage->GetDataStore(AnalyticsConstants::DATASTORE_NAME);
}

std::shared_ptr<CryptoServiceInterface> Analytics::GetCryptoService() {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_TAG, "Platform services are not available");
        return nullptr;
    }
    return platformServices->GetCryptoService();
}

std::string Analytics::GetActionKey(bool internal) const {
    return internal ? AnalyticsConstants::ContextDataKeys::INTERNAL_ACTION_KEY
                    : AnalyticsConstants::ContextDataKeys::ACTION_KEY;
}

std::string Analytics::GetActionPrefix(bool internal) const {
    return internal ? AnalyticsConstants::INTERNAL_ACTION_PREFIX : AnalyticsConstants::ACTION_PREFIX;
}

std::int64_t Analytics::GetTimeSinceLaunch(std::int64_t startSeconds) const {
    return TimeUtils::GetUnixTimeInSeconds() - startSeconds;
}

std::shared_ptr<AnalyticsDatabaseHitSchema> Analytics::GetHitSchema() {
    RecursiveMutexLock lock(hitDatabaseMutex_);
    if (!hitSchema_) {
        hitSchema_ = std::make_shared<AnalyticsDatabaseHitSchema>();
    }
    return hitSchema_;
}

std::shared_ptr<AnalyticsHitProcessor> Analytics::GetHitProcessor() {
    RecursiveMutexLock lock(hitDatabaseMutex_);
    if (!hitProcessor_) {
        hitProcessor_ = std::make_shared<AnalyticsHitProcessor>();
    }
    return hitProcessor_;
}

std::shared_ptr<AnalyticsHitQueue> Analytics::GetHitQueue() {
    RecursiveMutexLock lock(hitDatabaseMutex_);
    if (hitQueue_) {
        return hitQueue_;
    }
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_TAG, "Platform services are not available");
        return nullptr;
    }
    hitQueue_ = std::make_shared<AnalyticsHitQueue>(platformServices, GetHitSchema(), GetHitProcessor());
    return hitQueue_;
}

std::shared_ptr<AnalyticsHitDatabase> Analytics::GetHitDatabase() {
    RecursiveMutexLock lock(hitDatabaseMutex_);
    if (!hitDatabase_) {
        const auto platformServices = GetPlatformServices();
        if (!platformServices) {
            Log::Warning(LOG_TAG, "Platform services are not available");
            return nullptr;
        }
        const auto hitQueue = GetHitQueue();
        if (!hitQueue) {
            return nullptr;
        }
        StopBeforeAbort(hitQueue);
        hitDatabase_ = std::make_shared<AnalyticsHitDatabase>(hitQueue, platformServices, properties_,
                                                              HitResponseHandler(contentDispatcher_));
    }
    GetHitProcessor()->SetHitDatabase(hitDatabase_);
    return hitDatabase_;
}

}  // namespace NuvraMobile
