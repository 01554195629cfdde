#include "identity/Identity.h"

#include <iterator>
#include <utility>

#include "core/execution/BoundedDisposal.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/IdentityDispatchers.h"
#include "identity/IdentityHitDatabase.h"
#include "identity/IdentityListeners.h"
#include "identity/IdentityObject.h"
#include "platformShim/DataStoreInterface.h"
#include "util/Log.h"
#include "util/TimeUtils.h"

// The module object: registration, the request queue and its routing, boot, the reactions to
// configuration, audience and analytics events, privacy changes and unregistration.

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;
namespace ConfigKeys = IdentityConstants::EventDataKeys::Configuration;
namespace Names = IdentityConstants::EventNames;

namespace {
}  // namespace

Identity::Identity() : Identity(TimeUtils::GetUnixTimeInSeconds) {}

Identity::Identity(Clock clock) : InternalModule(Keys::SHARED_STATE_NAME), clock_(std::move(clock)) {}

std::string Identity::GetSharedStateName() const { return Keys::SHARED_STATE_NAME; }

void Identity::OnRegistered() {
    RegisterListener<IdentityListenerRequestIdentity>(EventType::IDENTITY, EventSource::REQUEST_IDENTITY);
    RegisterListener<IdentityListenerHubSharedState>(EventType::HUB, EventSource::SHARED_STATE);
    RegisterListener<IdentityListenerBootedEvent>(EventType::HUB, EventSource::BOOTED);
    RegisterListener<IdentityListenerConfigurationResponseContent>(EventType::CONFIGURATION,
                                                                   EventSource::RESPONSE_CONTENT);
    RegisterListener<IdentityListenerAudienceResponseContent>(EventType::COHORTIX, EventSource::RESPONSE_CONTENT);
    RegisterListener<IdentityListenerAnalyticsResponseIdentity>(EventType::ANALYTICS,
                                                                EventSource::RESPONSE_IDENTITY);
    RegisterListener<IdentityListenerGenericIdentityRequestContent>(EventType::GENERIC_IDENTITY,
                                                                    EventSource::REQUEST_CONTENT);
    eventQueue_.Clear();
    analyticsDispatcher_ = CreateDispatcher<IdentityDispatcherAnalyticsRequestContent>();
    configurationDispatcher_ = CreateDispatcher<IdentityDispatcherConfigurationRequestContent>();
    identityResponseDispatcher_ = CreateDispatcher<IdentityDispatcherIdentityResponseIdentity>();
}

void Identity::OnUnregistered() {
    auto self = SharedSelf();
    AddTaskToQueue("unregistration", [self] { self->DisposeHitDatabase(); }, ModuleTaskOptions{true});
}

std::size_t Identity::CountRequestsLeftWaiting() {
    return eventQueue_.CountIf([](const std::shared_ptr<Event>& event) {
        return event && event->GetName() != Names::FORCED_SYNC && event->GetName() != Names::AVID_SYNC;
    });
}

void Identity::DisposeHitDatabase() {
    if (!hitDatabase_) {
        return;
    }
    const auto hitDatabase = hitDatabase_;
    DisposeWithin(
        MODULE_HIT_QUEUE_DISPOSE_LIMIT,
        [&hitDatabase](std::chrono::milliseconds timeout) { return hitDatabase->Dispose(timeout); }, LOG_PREFIX,
        "The identity hit queue");
    hitDatabase_.reset();
}

std::shared_ptr<Identity> Identity::SharedSelf() {
    return std::dynamic_pointer_cast<Identity>(shared_from_this());
}

void Identity::HandleIdentityRequest(const std::shared_ptr<Event>& event) {
    if (event) {
        QueueMemberTask(*this, "IdentityHandleIdentityRequest", &Identity::AppendAndProcess, event);
    }
}

void Identity::AppendAndProcess(const std::shared_ptr<Event>& event) {
    eventQueue_.Add(event);
    ProcessEventQueue();
}

void Identity::TryProcessEventQueue() {
    QueueMemberTask(*this, "TryProcessEventQueue", [](Identity& self) { self.ProcessEventQueue(); });
}

void Identity::Bootup(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "IdentityBootup", &Identity::ApplyBootup, event);
}

void Identity::HandleConfigurationResponse(const std::shared_ptr<Event>& event) {
    if (event && event->GetData()) {
        QueueMemberTask(*this, "HandleConfigurationResponse", &Identity::ApplyConfigurationResponse, event);
    }
}

void Identity::HandleAudienceResponse(const std::shared_ptr<Event>& event) {
    if (event && event->GetData()) {
        QueueMemberTask(*this, "HandleAudienceResponse", &Identity::ApplyAudienceResponse, event);
    }
}

void Identity::HandleAnalyticsResponseIdentity(const std::shared_ptr<Event>& event) {
    if (event && event->GetData()) {
        QueueMemberTask(*this, "HandleAnalyticsResponseIdentity", &Identity::ApplyAnalyticsResponse, event);
    }
}

void Identity::QueueNetworkResponse(const std::shared_ptr<IdentityObject>& answer, const std::string& pairId,
                                    std::int32_t eventNumber) {
    QueueMemberTask(*this, "IdentityNetworkResponseLoaded", [answer, pairId, eventNumber](Identity& self) {
        TryCatch([&] { self.NetworkResponseLoaded(answer, pairId, eventNumber); },
                 [](SdkError& error) {
                     Log::Error(LOG_PREFIX, "Failed to apply the identity server's answer: %s", error.GetMessage());
                 });
    });
}

std::shared_ptr<ConfigurationSharedStateIdentity> Identity::ConfigurationAt(const std::shared_ptr<Event>& event) {
    const auto state = GetSharedEventState(ConfigKeys::SHARED_STATE_NAME, event);
    return state ? std::make_shared<ConfigurationSharedStateIdentity>(state) : nullptr;
}

void Identity::ProcessEventQueue() {
    eventQueue_.HandleInOrder([this](const std::shared_ptr<Event>& event) {
        const auto configuration = ConfigurationAt(event);
        if (!configuration) {
            Log::Trace(LOG_PREFIX, "Config not available at the time to process identity event.");
            return false;
        }
        if (!ProcessIdentityEvent(event, configuration)) {
            Log::Trace(LOG_PREFIX,
                       "Config settings not valid to process the identity event. Processing will resume when a "
                       "valid configuration is obtained.");
            AnswerRequestsBehindWaitingSync();
            return false;
        }
        return true;
    });
}

void Identity::AnswerRequestsBehindWaitingSync() {
    // Only syncs need an organisation id: the requests behind a waiting sync are answered now, the syncs
    // keep their order.
    eventQueue_.RemoveIf(WaitingEventQueue<>::Scope::BEHIND_FRONT, [this](const std::shared_ptr<Event>& event) {
        const auto configuration = IsSyncEvent(*event) ? nullptr : ConfigurationAt(event);
        return configuration && ProcessIdentityEvent(event, configuration);
    });
}

bool Identity::IsSyncEvent(const Event& event) {
    return event.GetEventType() == EventType::GENERIC_IDENTITY ||
           (event.GetData() && event.GetData()->OptBoolean(Keys::IS_SYNC_EVENT, false));
}

bool Identity::ProcessIdentityEvent(const std::shared_ptr<Event>& event,
                                    const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    if (!event) {
        Log::Trace(LOG_PREFIX, "Null event.");
        return true;
    }
    const auto data = event->GetData();
    Log::Trace(LOG_PREFIX, "Processing event %s with data: %s.", *event, *data);
    if (IsSyncEvent(*event)) {
        return HandleSyncIdentifiers(event, configuration);
    }
    const bool hasOrganisation = !configuration->GetOrgId().empty() || lastValidConfiguration_;
    if (data->ContainsKey(Keys::BASE_URL)) {
        if (hasOrganisation) {
            HandleAppendUrl(event, configuration);
        } else {
            AnswerUndecoratedUrl(event);
        }
    } else if (data->OptBoolean(Keys::URL_VARIABLES, false)) {
        if (hasOrganisation) {
            HandleGetUrlVariables(event, configuration);
        } else {
            auto answer = std::make_shared<EventData>();
            answer->PutString(Keys::URL_VARIABLES, "");
            HandleIdentityResponseEvent(Names::IDENTITY_URL_VARIABLES, answer, event->GetResponsePairID());
        }
    } else {
        HandleIdentifiersRequest(Names::IDENTITY_RESPONSE_CONTENT_ONE_TIME, event->GetResponsePairID());
    }
    return true;
}

void Identity::AnswerUndecoratedUrl(const std::shared_ptr<Event>& event) {
    auto answer = std::make_shared<EventData>();
    answer->PutString(Keys::UPDATED_URL, event->GetData()->OptString(Keys::BASE_URL, ""));
    HandleIdentityResponseEvent(Names::IDENTITY_APPENDED_URL, answer, event->GetResponsePairID());
}

std::shared_ptr<Event> Identity::CreateForcedSyncEvent(std::int32_t eventNumber) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::FORCE_SYNC, true);
    data->PutBoolean(Keys::IS_SYNC_EVENT, true);
    data->PutInteger(Keys::AUTHENTICATION_STATE, static_cast<std::int32_t>(VisitorIdAuthenticationState::UNKNOWN));
    return EventBuilder(Names::FORCED_SYNC, EventType::IDENTITY, EventSource::REQUEST_IDENTITY)
        .SetData(data)
        .SetEventNumber(eventNumber)
        .Build();
}

void Identity::LoadPrivacyStatus(const std::shared_ptr<Event>& event) {
    if (const auto state = GetSharedEventState(ConfigKeys::SHARED_STATE_NAME, event)) {
        privacyStatus_ = PrivacyStatusInConfiguration(state).value_or(MobilePrivacyStatus::UNKNOWN);
    }
}

void Identity::ApplyBootup(const std::shared_ptr<Event>& event) {
    LoadPrivacyStatus(event);
    TrySwallow([this] {
        if (const auto database = GetIdentityDatabase()) {
            database->UpdatePrivacyStatus(privacyStatus_);
        }
    });
    LoadVariablesFromPersistentData();
    eventQueue_.Add(CreateForcedSyncEvent(event->GetEventNumber()));
    ProcessEventQueue();
    if (privacyStatus_ == MobilePrivacyStatus::OPT_OUT) {
        CreateSharedState(event->GetEventNumber(), PackageEventData());
    }
}

void Identity::ApplyConfigurationResponse(const std::shared_ptr<Event>& event) {
    const auto data = event->GetData();
    if (const auto privacy = PrivacyStatusInConfiguration(data)) {
        if (*privacy == MobilePrivacyStatus::OPT_OUT) {
            HandleOptOut(event);
        }
        ProcessPrivacyChange(event->GetEventNumber(), data);
    }
    if (!data->OptString(ConfigKeys::CONFIG_SKYLOOM_ORGID_KEY, "").empty()) {
        lastValidConfiguration_ = std::make_shared<ConfigurationSharedStateIdentity>(data);
        ProcessEventQueue();
    }
}

void Identity::ProcessPrivacyChange(std::int32_t eventNumber, const std::shared_ptr<EventData>& configuration) {
    if (!configuration) {
        return;
    }
    const auto status = PrivacyStatusInConfiguration(configuration).value_or(MobilePrivacyStatus::UNKNOWN);
    if (status == privacyStatus_) {
        return;
    }
    privacyStatus_ = status;
    if (status != MobilePrivacyStatus::OPT_OUT) {
        if (mid_.empty()) {
            eventQueue_.Add(CreateForcedSyncEvent(eventNumber));
            ProcessEventQueue();
        }
    } else {
        mid_.clear();
        advertisingIdentifier_.clear();
        blob_.clear();
        locationHint_.clear();
        SetCustomerIds({});
        if (const auto store = GetIdentityDataStore()) {
            store->Remove(IdentityConstants::DataStoreKeys::AID_SYNCED_KEY);
        }
        UpdatePushIdentifier("");
        SavePersistently();
        CreateSharedState(eventNumber, PackageEventData());
        ClearEventsQueue();
    }
    if (const auto database = GetIdentityDatabase()) {
        database->UpdatePrivacyStatus(status);
    }
}

void Identity::ClearEventsQueue() {
    eventQueue_.RemoveIf(WaitingEventQueue<>::Scope::WHOLE_QUEUE, [this](const std::shared_ptr<Event>& event) {
        if (event && event->GetData() && event->GetData()->ContainsKey(Keys::BASE_URL)) {
            return false;
        }
        if (event) {
            HandleIdentityResponseEvent(Names::IDENTITY_RESPONSE, PackageEventData(), event->GetResponsePairID());
        }
        return true;
    });
    // The kept append-URL requests need no organisation id: answer them as soon as a configuration exists.
    ProcessEventQueue();
}

void Identity::ApplyAudienceResponse(const std::shared_ptr<Event>& event) {
    if (event->GetData()->OptBoolean(IdentityConstants::EventDataKeys::Audience::OPTED_OUT_HIT_SENT, true)) {
        return;
    }
    const auto configuration = ConfigurationAt(event);
    if (!configuration) {
        Log::Trace(LOG_PREFIX, "Configuration state not available at time to proces Audience event.");
        return;
    }
    if (configuration->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        SendOptOutHit(configuration);
    }
}

void Identity::ApplyAnalyticsResponse(const std::shared_ptr<Event>& event) {
    const auto aid = event->GetData()->OptString(IdentityConstants::EventDataKeys::Analytics::ANALYTICS_ID, "");
    if (aid.empty()) {
        return;
    }
    const auto store = GetIdentityDataStore();
    if (!store || store->Contains(IdentityConstants::DataStoreKeys::AID_SYNCED_KEY)) {
        return;
    }
    store->SetBoolean(IdentityConstants::DataStoreKeys::AID_SYNCED_KEY, true);
    auto data = std::make_shared<EventData>();
    data->PutStringMap(Keys::IDENTIFIERS, {{Keys::ANALYTICS_ID, aid}});
    data->PutBoolean(Keys::FORCE_SYNC, false);
    data->PutBoolean(Keys::IS_SYNC_EVENT, true);
    data->PutInteger(Keys::AUTHENTICATION_STATE, static_cast<std::int32_t>(VisitorIdAuthenticationState::UNKNOWN));
    eventQueue_.Add(EventBuilder(Names::AVID_SYNC, EventType::IDENTITY, EventSource::REQUEST_IDENTITY)
                        .SetData(data)
                        .SetEventNumber(event->GetEventNumber())
                        .Build());
    ProcessEventQueue();
}

void Identity::HandleIdentifiersRequest(const std::string& eventName, const std::string& pairId) {
    HandleIdentityResponseEvent(eventName, PackageEventData(), pairId);
}

void Identity::HandleIdentityResponseEvent(const std::string& eventName, const std::shared_ptr<EventData>& data,
                                           const std::string& pairId) {
    if (identityResponseDispatcher_) {
        identityResponseDispatcher_->DispatchIdentityResponse(eventName, data, pairId);
    }
}

void Identity::HandleIdentityConfigurationUpdateEvent(const std::shared_ptr<EventData>& data) {
    if (configurationDispatcher_) {
        configurationDispatcher_->DispatchConfigUpdateRequest(data);
    }
}

}  // namespace NuvraMobile
