#include "pivora/Pivora.h"

#include <algorithm>

#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "identity/IdentityConstants.h"
#include "lifecycle/LifecycleConstants.h"
#include "pivora/PivoraDispatchers.h"
#include "pivora/PivoraJson.h"
#include "pivora/PivoraListeners.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraPrefetchResult.h"
#include "pivora/PivoraPreviewManager.h"
#include "pivora/PivoraRequestBuilder.h"
#include "pivora/PivoraResponseParser.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UuidInterface.h"
#include "shared/VisitorIdSerializer.h"
#include "util/HttpConnectionConstants.h"
#include "util/Log.h"
#include "util/StringUtils.h"
#include "util/TimeUtils.h"
#include "util/UrlEncoder.h"

// The module object: registration, the named tasks, identity and session, the delivery transport and
// the load, prefetch and notification roads. Each road reads the answer through ReadDeliveryAnswer.

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;
namespace Config = PivoraConstants::ConfigKeys;
namespace Identity = IdentityConstants::EventDataKeys::Identity;
namespace Lifecycle = LifecycleConstants::EventDataKeys::Lifecycle;

namespace {

constexpr const char* NO_BUILDER = "Couldn't initialize the pivora request builder for this request";
constexpr const char* NO_PREFETCH_PARSER =
    "Couldn't initialized the pivora response parser to process the prefetch content";
constexpr const char* NO_PREVIEW_MANAGER = "Couldn't initialize the pivora preview manager";

bool NamesNotification(const std::string& message) {
    return message.find(PivoraErrors::NOTIFICATION_ERROR_TAG) != std::string::npos;
}

/** Letters, digits, "-" and "." only: anything else could steer the request to another host or path. */
bool IsSafeHost(const std::string& host) {
    return !host.empty() && host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-.") == std::string::npos;
}

std::vector<std::string> NamesOf(const Pivora::MboxCache& cache) {
    std::vector<std::string> names;
    for (const auto& entry : cache) {
        names.push_back(entry.first);
    }
    return names;
}

}  // namespace

/** How one delivery answer came out, and the parsed response when it is good. */
struct Pivora::DeliveryAnswer {
    enum class Outcome { NO_CONNECTION, NO_PARSER, NOT_JSON, SERVER_ERROR, GOOD };
    Outcome outcome;
    std::shared_ptr<JsonObject> response;
    std::string message;
};

Pivora::Pivora() : Pivora(Keys::SHARED_STATE_NAME) {}

Pivora::Pivora(const std::string& name) : InternalModule(name) {}

std::string Pivora::GetSharedStateName() const { return Keys::SHARED_STATE_NAME; }

void Pivora::OnRegistered() {
    RegisterListener<PivoraListenerRequestContent>(EventType::PIVORA, EventSource::REQUEST_CONTENT);
    RegisterListener<PivoraListenerRequestIdentity>(EventType::PIVORA, EventSource::REQUEST_IDENTITY);
    RegisterListener<PivoraListenerRequestReset>(EventType::PIVORA, EventSource::REQUEST_RESET);
    RegisterListener<PivoraListenerGenericDataOS>(EventType::GENERIC_DATA, EventSource::OS);
    RegisterListener<PivoraListenerConfigurationResponseContent>(EventType::CONFIGURATION,
                                                                 EventSource::RESPONSE_CONTENT);
    responseContentDispatcher_ = CreateDispatcher<PivoraDispatcherResponseContent>();
    responseIdentityDispatcher_ = CreateDispatcher<PivoraDispatcherResponseIdentity>();
    analyticsDispatcher_ = CreateDispatcher<PivoraDispatcherAnalyticsRequestContent>();
    LoadPersistedData();
}

void Pivora::OnUnregistered() {
    requestBuilder_.reset();
    responseParser_.reset();
    previewManager_.reset();
}

std::shared_ptr<Pivora> Pivora::SharedSelf() { return std::dynamic_pointer_cast<Pivora>(shared_from_this()); }

std::shared_ptr<EventData> Pivora::GetState(const char* stateName, const std::shared_ptr<Event>& event) {
    return GetSharedEventState(stateName, event);
}

// --- Operations the listeners call ----------------------------------------------------------------

void Pivora::LoadRequests(const Requests& requests, const std::shared_ptr<PivoraParameters>& parameters,
                          const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "LoadRequests", [requests, parameters, event](Pivora& self) {
        const auto configuration = self.RetrieveConfigurationSharedEventState(event);
        self.BatchRequests(requests, parameters, configuration, self.GetState(Lifecycle::SHARED_STATE_NAME, event),
                           self.GetState(Identity::SHARED_STATE_NAME, event), event->GetTimestamp(),
                           event->GetEventNumber());
    });
}

void Pivora::HandleMboxPrefetch(const Prefetches& prefetchList, const std::shared_ptr<PivoraParameters>& parameters,
                                const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "PrefetchContent", [prefetchList, parameters, event](Pivora& self) {
        if (self.IsInPreviewMode()) {
            Log::Debug(LOG_PREFIX, PivoraErrors::PREFETCH_PREVIEW_MODE);
            self.responseContentDispatcher_->DispatchPrefetchResult(PivoraErrors::PREFETCH_PREVIEW_MODE,
                                                                    event->GetResponsePairID());
            return;
        }
        const auto configuration = self.RetrieveConfigurationSharedEventState(event);
        const std::string error = self.PrefetchMboxContent(
            prefetchList, parameters, configuration, self.GetState(Lifecycle::SHARED_STATE_NAME, event),
            self.GetState(Identity::SHARED_STATE_NAME, event), event->GetEventNumber());
        self.responseContentDispatcher_->DispatchPrefetchResult(error, event->GetResponsePairID());
    });
}

void Pivora::HandleViewPrefetch(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "ViewPrefetch", [event](Pivora& self) {
        const auto& data = event->GetData();
        if (data->IsEmpty()) {
            return;
        }
        const auto configuration = self.RetrieveConfigurationSharedEventState(event);
        const auto result = self.PrefetchViewContent(
            PivoraObject::ReadSeparateParameters(data->AsMapCopy()), configuration,
            self.GetState(Lifecycle::SHARED_STATE_NAME, event), self.GetState(Identity::SHARED_STATE_NAME, event),
            event->GetEventNumber());
        self.responseContentDispatcher_->DispatchViewPrefetchResult(*result, event);
    });
}

void Pivora::HandleLocationsDisplayed(const std::vector<std::shared_ptr<Variant>>& mboxNames,
                                      const std::shared_ptr<PivoraParameters>& parameters,
                                      const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "LocationDisplayed", [mboxNames, parameters, event](Pivora& self) {
        const auto lifecycle = self.GetState(Lifecycle::SHARED_STATE_NAME, event);
        const auto parser = self.GetResponseParser();
        int added = 0;
        for (const auto& entry : mboxNames) {
            std::string name;
            entry->GetString(name);
            if (self.loadedMboxes_.count(name) != 0) {
                return;
            }
            const auto found = self.prefetchedMboxes_.find(name);
            const auto record = found == self.prefetchedMboxes_.end() ? nullptr : found->second;
            if (!self.AddDisplayNotification(name, record, parameters, lifecycle, event->GetTimestamp())) {
                return;
            }
            if (parser) {
                self.analyticsDispatcher_->DispatchAnalyticsRequest(parser->GetAnalyticsForPivoraPayload(record));
            }
            ++added;
        }
        if (added == 0) {
            return;
        }
        const auto configuration = self.RetrieveConfigurationSharedEventState(event);
        if (!self.PrepareForPivoraRequest(configuration).empty()) {
            return;
        }
        const auto connection = self.SendPivoraRequest({}, {}, false, parameters, configuration, lifecycle,
                                                       self.GetState(Identity::SHARED_STATE_NAME, event), "");
        self.ProcessNotificationResponse(event->GetEventNumber(), connection);
    });
}

void Pivora::HandleLocationClicked(const std::string& mboxName, const std::shared_ptr<PivoraParameters>& parameters,
                                   const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "LocationClicked", [mboxName, parameters, event](Pivora& self) {
        if (self.IsInPreviewMode()) {
            Log::Debug(LOG_PREFIX, "Pivora location clicked notification can't be sent while in preview mode");
            return;
        }
        const auto record = self.FindCachedMbox(mboxName);
        if (!record) {
            Log::Warning(LOG_PREFIX,
                         "Pivora - couldn't send click notification for %s, the location should be "
                         "pre-fetched/loaded before",
                         mboxName);
            return;
        }
        const auto metrics = record->OptJsonArray(PivoraJson::METRICS);
        if (!metrics || !self.ClickMetricExists(metrics)) {
            Log::Debug(LOG_PREFIX, "Pivora - couldn't send click notification, No click metric set on mbox %s",
                       mboxName);
            return;
        }
        auto configuration = self.RetrieveConfigurationSharedEventState(event);
        if (!configuration) {
            configuration = self.GetState(Config::SHARED_STATE_NAME, Event::SHARED_STATE_OLDEST);
        }
        if (!self.PrepareForPivoraRequest(configuration).empty()) {
            Log::Warning(LOG_PREFIX, "Pivora configuration doesn't support sending click notification.");
            return;
        }
        const auto lifecycle = self.GetState(Lifecycle::SHARED_STATE_NAME, event);
        if (self.AddClickedNotification(record, parameters, lifecycle, event->GetTimestamp())) {
            const auto connection = self.SendPivoraRequest({}, {}, false, parameters, configuration, lifecycle,
                                                           self.GetState(Identity::SHARED_STATE_NAME, event), "");
            self.ProcessNotificationResponse(event->GetEventNumber(), connection);
        }
    });
}

void Pivora::HandleViewNotifications(const std::shared_ptr<Event>& event,
                                     const std::vector<std::shared_ptr<Variant>>& viewNotifications,
                                     const std::string& propertyToken) {
    QueueMemberTask(*this, "AddViewNotification", [event, viewNotifications, propertyToken](Pivora& self) {
        const auto configuration = self.RetrieveConfigurationSharedEventState(event);
        if (!self.PrepareForPivoraRequest(configuration).empty()) {
            Log::Warning(LOG_PREFIX, "Pivora configuration doesn't support sending notifications.");
            return;
        }
        if (viewNotifications.empty() || !self.AddViewNotifications(viewNotifications)) {
            Log::Warning(LOG_PREFIX, "Unable to send view notifications, No valid view notifications found");
            return;
        }
        const auto connection = self.SendPivoraRequest(
            {}, {}, false, nullptr, configuration, self.GetState(Lifecycle::SHARED_STATE_NAME, event),
            self.GetState(Identity::SHARED_STATE_NAME, event), propertyToken);
        self.ProcessNotificationResponse(event->GetEventNumber(), connection);
    });
}

void Pivora::ProcessIdentityRequest(const std::string& pairId) {
    QueueMemberTask(*this, "ProcessIdentityRequest", [pairId](Pivora& self) {
        self.responseIdentityDispatcher_->DispatchIdentityResponse(self.qtxId_, self.thirdPartyId_, pairId);
    });
}

void Pivora::HandleConfigurationResponse(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "PivoraHandleConfigurationResponse", [event](Pivora& self) {
        self.RetrieveConfigurationSharedEventState(event);
        if (self.GetMobilePrivacyStatus() != MobilePrivacyStatus::OPT_OUT) {
            return;
        }
        self.ResetIdentity();
        if (self.requestBuilder_) {
            self.requestBuilder_->ClearProperties();
        }
        self.CreateOrUpdateSharedState(event->GetEventNumber(), self.PackageState());
    });
}

void Pivora::ResetIdentity(int32_t eventNumber, const std::string& pairId) {
    QueueMemberTask(*this, "ResetIdentity", [eventNumber, pairId](Pivora& self) {
        self.ResetIdentity();
        self.CreateOrUpdateSharedState(eventNumber, self.PackageState());
        self.responseIdentityDispatcher_->DispatchIdentityResponse(self.qtxId_, self.thirdPartyId_, pairId);
    });
}

void Pivora::SetThirdPartyId(int32_t eventNumber, const std::string& thirdPartyId) {
    QueueMemberTask(*this, "SetThirdPartyId", [eventNumber, thirdPartyId](Pivora& self) {
        self.SetThirdPartyIdInternal(thirdPartyId);
        self.CreateOrUpdateSharedState(eventNumber, self.PackageState());
    });
}

void Pivora::ClearPrefetchCache() {
    QueueMemberTask(*this, "ClearPrefetchCache", [](Pivora& self) { self.prefetchedMboxes_.clear(); });
}

void Pivora::SetPreviewRestartDeepLink(const std::string& restartDeepLink) {
    QueueMemberTask(*this, "SetPreviewRestartDeeplink", [restartDeepLink](Pivora& self) {
        if (const auto manager = self.GetPreviewManager()) {
            manager->SetRestartDeepLink(restartDeepLink);
        } else {
            Log::Error(LOG_PREFIX, NO_PREVIEW_MANAGER);
        }
    });
}

void Pivora::ProcessPreviewDeepLink(const std::shared_ptr<Event>& event, const std::string& deepLink) {
    QueueMemberTask(*this, "ProcessPreviewDeeplink", [event, deepLink](Pivora& self) { self.SetupPreviewMode(event, deepLink); });
}

// --- Identity, session and configuration ------------------------------------------------------------

void Pivora::LoadPersistedData() {
    const auto store = GetDataStore();
    if (!store) {
        Log::Error(LOG_PREFIX, "Unable to load persisted data, Datastore is null");
        return;
    }
    qtxId_ = store->GetString(PivoraConstants::QTX_ID, "");
    thirdPartyId_ = store->GetString(PivoraConstants::THIRD_PARTY_ID, "");
    edgeHost_ = store->GetString(PivoraConstants::EDGE_HOST, "");
}

std::shared_ptr<EventData> Pivora::PackageState() {
    auto state = std::make_shared<EventData>();
    if (!qtxId_.empty()) {
        state->PutString(Keys::QTX_ID, qtxId_);
    }
    if (!thirdPartyId_.empty()) {
        state->PutString(Keys::THIRD_PARTY_ID, thirdPartyId_);
    }
    return state;
}

std::shared_ptr<DataStoreInterface> Pivora::GetDataStore() {
    const auto platformServices = GetPlatformServices();
    const auto storage = platformServices ? platformServices->GetLocalStorageService() : nullptr;
    return storage ? storage->GetDataStore(PivoraConstants::DATASTORE_KEY) : nullptr;
}

std::shared_ptr<EventData> Pivora::RetrieveConfigurationSharedEventState(const std::shared_ptr<Event>& event) {
    if (auto configuration = GetState(Config::SHARED_STATE_NAME, event)) {
        lastKnownConfiguration_ = configuration;
        return configuration;
    }
    if (!lastKnownConfiguration_) {
        lastKnownConfiguration_ = GetState(Config::SHARED_STATE_NAME, Event::SHARED_STATE_OLDEST);
    }
    return lastKnownConfiguration_;
}

MobilePrivacyStatus Pivora::GetMobilePrivacyStatus() {
    return PrivacyStatusInConfiguration(lastKnownConfiguration_).value_or(MobilePrivacyStatus::UNKNOWN);
}

std::string Pivora::PrepareForPivoraRequest(const std::shared_ptr<EventData>& configuration) {
    if (!configuration) {
        return PivoraErrors::CONFIG_NULL;
    }
    const std::string clientCode = configuration->OptString(Config::CLIENT_CODE, "");
    if (clientCode.empty()) {
        return PivoraErrors::NO_CLIENT_CODE;
    }
    if (clientCode != clientCode_) {
        clientCode_ = clientCode;
        SetEdgeHost("");
    }
    sessionTimeout_ = configuration->OptInteger(Config::SESSION_TIMEOUT, PivoraConstants::DEFAULT_SESSION_TIMEOUT);
    if (sessionTimeout_ < 0) {
        sessionTimeout_ = PivoraConstants::DEFAULT_SESSION_TIMEOUT;
    }
    return GetMobilePrivacyStatus() == MobilePrivacyStatus::OPT_IN ? "" : PivoraErrors::OPTED_OUT;
}

void Pivora::PersistString(const char* key, const std::string& value, bool errorLevel,
                           const char* missingStoreMessage) {
    const auto store = GetDataStore();
    if (!store) {
        if (errorLevel) {
            Log::Error(LOG_PREFIX, missingStoreMessage);
        } else {
            Log::Debug(LOG_PREFIX, missingStoreMessage);
        }
    } else if (value.empty()) {
        store->Remove(key);
    } else {
        store->SetString(key, value);
    }
}

void Pivora::SetQtxId(const std::string& qtxId) {
    if (GetMobilePrivacyStatus() == MobilePrivacyStatus::OPT_OUT && !qtxId.empty()) {
        Log::Debug(LOG_PREFIX, "Cannot update Pivora identifier due to privacy status.");
        return;
    }
    if (QtxIdValuesAreEqual(qtxId_, qtxId)) {
        return;
    }
    qtxId_ = qtxId;
    PersistString(PivoraConstants::QTX_ID, qtxId, true, "Unable to store qtx id to persistence, Datastore is null");
}

void Pivora::SetThirdPartyIdInternal(const std::string& thirdPartyId) {
    if (GetMobilePrivacyStatus() == MobilePrivacyStatus::OPT_OUT && !thirdPartyId.empty()) {
        Log::Debug(LOG_PREFIX, "Cannot update Pivora third party identifier due to privacy status.");
        return;
    }
    if (thirdPartyId == thirdPartyId_) {
        return;
    }
    thirdPartyId_ = thirdPartyId;
    PersistString(PivoraConstants::THIRD_PARTY_ID, thirdPartyId, true,
                  "Unable to store third party id to persistence, Datastore is null");
}

bool Pivora::QtxIdValuesAreEqual(const std::string& first, const std::string& second) {
    return first == second || first.substr(0, first.find('.')) == second.substr(0, second.find('.'));
}

void Pivora::SetEdgeHost(const std::string& edgeHost) {
    edgeHost_ = edgeHost;
    PersistString(PivoraConstants::EDGE_HOST, edgeHost, true,
                  "Unable to store edge host id to persistence, Datastore is null");
}

std::string Pivora::GetEdgeHost() {
    if (IsSessionExpired()) {
        SetEdgeHost("");
        Log::Debug(LOG_PREFIX, "SessionId expired resetting edgeHost");
    }
    return edgeHost_;
}

void Pivora::LoadSessionId() {
    if (!sessionId_.empty()) {
        return;
    }
    if (const auto store = GetDataStore()) {
        sessionId_ = store->GetString(PivoraConstants::SESSION_ID, "");
    } else {
        Log::Debug(LOG_PREFIX,
                   "Unable to load session id from persistence, DataStore is null. Verify if the platform "
                   "services are initialized properly");
    }
}

bool Pivora::IsSessionExpired() {
    const int64_t now = TimeUtils::GetUnixTimeInSeconds();
    const auto store = GetDataStore();
    if (!store) {
        Log::Debug(LOG_PREFIX,
                   "Unable to verify if session id is expired, DataStore is null. Verify if the platform services "
                   "are initialized properly");
        return true;
    }
    const int64_t started = store->GetLong(PivoraConstants::SESSION_TIMESTAMP, -1);
    return started >= 1 && now - started > sessionTimeout_;
}

std::string Pivora::GetSessionId() {
    LoadSessionId();
    if (!sessionId_.empty() && !IsSessionExpired()) {
        return sessionId_;
    }
    SetSessionId(GetUniqueIdentifier());
    UpdateSessionTimestamp();
    return sessionId_;
}

void Pivora::SetSessionId(const std::string& sessionId) {
    sessionId_ = sessionId;
    PersistString(PivoraConstants::SESSION_ID, sessionId, false,
                  "Unable to save session id to persistence, DataStore is null. Verify if the platform services are "
                  "initialized properly");
}

void Pivora::UpdateSessionTimestamp() {
    if (const auto store = GetDataStore()) {
        store->SetLong(PivoraConstants::SESSION_TIMESTAMP, TimeUtils::GetUnixTimeInSeconds());
    } else {
        Log::Debug(LOG_PREFIX,
                   "Unable to update session id timestamp to persistence, DataStore is null. Verify if the platform "
                   "services are initialized properly");
    }
}

void Pivora::ResetSession() {
    sessionId_.clear();
    if (const auto store = GetDataStore()) {
        store->Remove(PivoraConstants::SESSION_TIMESTAMP);
        store->Remove(PivoraConstants::SESSION_ID);
    } else {
        Log::Debug(LOG_PREFIX,
                   "Unable to reset session in persistence, DataStore is null. Verify if the platform services are "
                   "initialized properly");
    }
}

void Pivora::ResetIdentity() {
    SetQtxId("");
    SetThirdPartyIdInternal("");
    SetEdgeHost("");
    ResetSession();
}

std::string Pivora::GetUniqueIdentifier() {
    const auto platformServices = GetPlatformServices();
    const auto crypto = platformServices ? platformServices->GetCryptoService() : nullptr;
    const auto uuid = crypto ? crypto->GetRandomUuid() : nullptr;
    return uuid ? uuid->GetString() : "";
}

std::shared_ptr<PivoraRequestBuilder> Pivora::GetRequestBuilder() {
    if (!requestBuilder_) {
        const auto platformServices = GetPlatformServices();
        const auto json = platformServices ? platformServices->GetJsonUtilityService() : nullptr;
        const auto previewManager = GetPreviewManager();
        if (json && previewManager) {
            requestBuilder_ = std::make_shared<PivoraRequestBuilder>(json, platformServices->GetSystemInfoService(),
                                                                     previewManager);
        }
    }
    return requestBuilder_;
}

std::shared_ptr<PivoraResponseParser> Pivora::GetResponseParser() {
    if (!responseParser_) {
        const auto platformServices = GetPlatformServices();
        if (const auto json = platformServices ? platformServices->GetJsonUtilityService() : nullptr) {
            responseParser_ = std::make_shared<PivoraResponseParser>(json);
        }
    }
    return responseParser_;
}

// --- Loads and the delivery transport -----------------------------------------------------------------

void Pivora::BatchRequests(const Requests& requests, const std::shared_ptr<PivoraParameters>& parameters,
                           const std::shared_ptr<EventData>& configuration, const std::shared_ptr<EventData>& lifecycle,
                           const std::shared_ptr<EventData>& identity, int64_t timestamp, int32_t eventNumber) {
    const std::string error = PrepareForPivoraRequest(configuration);
    if (requests.empty() || !error.empty()) {
        RunDefaultCallbacks(requests);
        return;
    }
    Requests remaining = requests;
    if (!IsInPreviewMode()) {
        Log::Debug(LOG_PREFIX, "Current cached mboxes : %s, size: %d", NamesOf(prefetchedMboxes_),
                   prefetchedMboxes_.size());
        remaining = ProcessCachedPivoraRequest(requests, timestamp, parameters);
    }
    if (remaining.empty() && pendingNotifications_.empty()) {
        return;
    }
    const auto connection =
        SendPivoraRequest(remaining, {}, false, parameters, configuration, lifecycle, identity, "");
    ProcessPivoraRequestResponse(remaining, connection, eventNumber);
}

Pivora::Requests Pivora::ProcessCachedPivoraRequest(const Requests& requests, int64_t timestamp,
                                                    const std::shared_ptr<PivoraParameters>& parameters) {
    Requests remaining;
    for (const auto& request : requests) {
        if (!request) {
            continue;
        }
        const auto cached = prefetchedMboxes_.find(request->GetName());
        if (cached == prefetchedMboxes_.end()) {
            Log::Debug(LOG_PREFIX, "No cached mbox found for %s", request->GetName());
            remaining.push_back(request);
            continue;
        }
        const auto parser = GetResponseParser();
        if (!parser) {
            Log::Error(LOG_PREFIX, "Couldn't initialize the pivora response parser to extract the pivora payload");
            responseContentDispatcher_->DispatchMboxContent(request->GetDefaultContent(), request->GetResponsePairId());
            continue;
        }
        const bool compatMode = IsOldApiCompatMode(parameters);
        if (compatMode) {
            analyticsDispatcher_->DispatchAnalyticsRequest(parser->GetAnalyticsForPivoraPayload(cached->second));
        }
        const std::string content = parser->ExtractMboxContent(cached->second);
        Log::Debug(LOG_PREFIX, "Cached mbox found for %s with data %s", request->GetName(), cached->second->ToString());
        responseContentDispatcher_->DispatchMboxContent(content.empty() ? request->GetDefaultContent() : content,
                                                        request->GetResponsePairId());
        if (!compatMode) {
            continue;
        }
        const auto builder = GetRequestBuilder();
        if (!builder) {
            Log::Error(LOG_PREFIX, NO_BUILDER);
            continue;
        }
        std::vector<std::shared_ptr<PivoraParameters>> bundles;
        for (const auto& bundle : {request->GetPivoraParameters(), parameters}) {
            if (bundle) {
                bundles.push_back(bundle);
            }
        }
        AddPendingNotification(builder->GetDisplayNotificationJsonObject(
            request->GetName(), cached->second, PivoraParameters::Merge(bundles), GetUniqueIdentifier(), timestamp));
    }
    return remaining;
}

void Pivora::RunDefaultCallbacks(const Requests& requests) {
    for (const auto& request : requests) {
        if (request) {
            responseContentDispatcher_->DispatchMboxContent(request->GetDefaultContent(), request->GetResponsePairId());
        }
    }
}

std::shared_ptr<HttpConnectionInterface> Pivora::SendPivoraRequest(
    const Requests& requests, const Prefetches& prefetchList, bool prefetchViews,
    const std::shared_ptr<PivoraParameters>& parameters, const std::shared_ptr<EventData>& configuration,
    const std::shared_ptr<EventData>& lifecycle, const std::shared_ptr<EventData>& identity,
    const std::string& propertyToken) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Error(LOG_PREFIX, "Unable to send pivora request, Platform services are not available");
        return nullptr;
    }
    if (!platformServices->GetJsonUtilityService()) {
        Log::Error(LOG_PREFIX, "Unable to send pivora request, Json utility service is not available");
        return nullptr;
    }
    const auto network = platformServices->GetNetworkService();
    if (!network) {
        Log::Error(LOG_PREFIX, "Unable to send pivora request, Network service is not available");
        return nullptr;
    }
    const auto builder = GetRequestBuilder();
    if (!builder) {
        Log::Error(LOG_PREFIX, NO_BUILDER);
        return nullptr;
    }
    builder->SetPivoraInternalParameters(clientCode_, qtxId_, thirdPartyId_);
    int32_t timeout = PivoraConstants::DEFAULT_CONNECTION_TIMEOUT_SEC;
    std::string configuredToken;
    if (configuration) {
        timeout = configuration->OptInteger(Config::TIMEOUT, PivoraConstants::DEFAULT_CONNECTION_TIMEOUT_SEC);
        if (timeout <= 0) {
            timeout = PivoraConstants::DEFAULT_CONNECTION_TIMEOUT_SEC;
        }
        // The request blocks this module's queue, and with it the module's unregistration.
        timeout = std::min(timeout, PivoraConstants::MAX_CONNECTION_TIMEOUT_SEC);
        int64_t environmentId = 0;
        if (configuration->GetLong(Config::ENVIRONMENT_ID, environmentId)) {
            builder->SetConfigParameters(environmentId);
        }
        configuredToken = configuration->OptString(Config::PROPERTY_TOKEN, "");
    }
    if (identity) {
        auto visitorIds = identity->GetTypedVector<VisitorId>(Identity::VISITOR_IDS_LIST);
        builder->SetIdentityParameters(identity->OptString(Identity::VISITOR_ID_MID, ""),
                                       identity->OptString(Identity::VISITOR_ID_BLOB, ""),
                                       identity->OptString(Identity::VISITOR_ID_LOCATION_HINT, ""),
                                       visitorIds.HasValue() ? visitorIds.Value() : std::vector<std::shared_ptr<VisitorId>>());
    }
    if (lifecycle) {
        StringMap lifecycleData;
        lifecycle->GetStringMap(Lifecycle::LIFECYCLE_CONTEXT_DATA, lifecycleData);
        builder->SetLifecycleParameters(GetLifecycleDataForPivora(std::move(lifecycleData)));
    }
    const auto payload = builder->GetRequestPayload(prefetchList, requests, prefetchViews, parameters,
                                                    pendingNotifications_,
                                                    propertyToken.empty() ? configuredToken : propertyToken);
    if (!payload || payload->Length() == 0) {
        return nullptr;
    }
    const std::string url = GetPivoraRequestUrl();
    if (url.empty()) {
        return nullptr;
    }
    std::string body;
    TryCatch([&] { body = payload->ToString(); },
             [](SdkError& error) {
                 Log::Error(LOG_PREFIX, "Error creating Pivora payload from json.\n%s",
                            error.ToString(ToStringOptions::Pretty()));
             });
    if (body.empty()) {
        return nullptr;
    }
    Log::Debug(LOG_PREFIX, "Pivora request was sent with url %s, body %s", url, body);
    std::shared_ptr<HttpConnectionInterface> connection;
    // A request the network service refuses is an answer that never came, not an error that loses the callers.
    TryCatch(
        [&] {
            connection = network->ConnectUrl(
                url, HttpCommandType::POST, body,
                {{HttpConnectionHeaderConstants::HTTP_HEADER_KEY_CONTENT_TYPE,
                  HttpConnectionHeaderConstants::HTTP_HEADER_CONTENT_TYPE_JSON_APPLICATION}},
                timeout, timeout);
        },
        [&](SdkError& error) {
            Log::Error(LOG_PREFIX, "Pivora request to %s was refused by the network service: %s", url,
                       error.GetMessage());
        });
    return connection;
}

std::string Pivora::GetPivoraRequestUrl() {
    std::string host = StringUtils::ToLower(GetEdgeHost());
    if (host.empty()) {
        host = StringUtils::FormatString(PivoraConstants::API_URL_HOST_BASE, StringUtils::ToLower(clientCode_));
    }
    if (!IsSafeHost(host)) {
        Log::Error(LOG_PREFIX,
                   "Unable to send pivora request, the host (%s) may only hold letters, digits, \"-\" and \".\"", host);
        return "";
    }
    return StringUtils::FormatString(PivoraConstants::PREFETCH_API_URL_BASE, host, UrlEncoder::Encode(clientCode_),
                                     UrlEncoder::Encode(GetSessionId()));
}

Pivora::StringMap Pivora::GetLifecycleDataForPivora(StringMap lifecycleData) {
    StringMap mapped;
    for (const auto& [lifecycleKey, serverKey] : LifecycleConstants::ContextDataKeys::MAP_TO_CONTEXT_DATA_KEYS) {
        const auto found = lifecycleData.find(lifecycleKey);
        if (found != lifecycleData.end()) {
            mapped[serverKey] = found->second;
            lifecycleData.erase(found);
        }
    }
    for (auto& [key, value] : lifecycleData) {
        mapped.emplace(key, std::move(value));
    }
    return mapped;
}

bool Pivora::IsOldApiCompatMode(const std::shared_ptr<PivoraParameters>& parameters) {
    if (!parameters) {
        return false;
    }
    const auto& mboxParameters = parameters->GetMboxParameters();
    const auto found = mboxParameters.find(PivoraConstants::OLD_API_COMPAT_PARAM);
    return found != mboxParameters.end() && found->second == PivoraConstants::OLD_API_COMPAT_PARAM;
}

Pivora::DeliveryAnswer Pivora::ReadDeliveryAnswer(const std::shared_ptr<HttpConnectionInterface>& connection,
                                                  int32_t eventNumber) {
    using Outcome = DeliveryAnswer::Outcome;
    if (!connection) {
        Log::Error(LOG_PREFIX, PivoraErrors::NO_CONNECTION);
        return {Outcome::NO_CONNECTION, nullptr, ""};
    }
    // Every delivery request carried the whole pending list: a 200 means the server has it.
    if (connection->GetResponseCode() == HttpConnectionConstants::HTTP_OK) {
        pendingNotifications_.clear();
    }
    const auto parser = GetResponseParser();
    if (!parser) {
        connection->Close();
        return {Outcome::NO_PARSER, nullptr, ""};
    }
    const auto response = parser->ParseResponseToJson(connection);
    connection->Close();
    if (!response) {
        return {Outcome::NOT_JSON, nullptr, ""};
    }
    const std::string message = parser->GetErrorMessage(response);
    if (!message.empty()) {
        if (NamesNotification(message)) {
            pendingNotifications_.clear();
        }
        return {Outcome::SERVER_ERROR, nullptr, message};
    }
    SetQtxId(parser->GetQtxId(response));
    SetEdgeHost(parser->GetEdgeHost(response));
    UpdateSessionTimestamp();
    CreateOrUpdateSharedState(eventNumber, PackageState());
    return {Outcome::GOOD, response, ""};
}

void Pivora::ProcessPivoraRequestResponse(const Requests& requests,
                                          const std::shared_ptr<HttpConnectionInterface>& connection,
                                          int32_t eventNumber) {
    const DeliveryAnswer answer = ReadDeliveryAnswer(connection, eventNumber);
    if (answer.outcome != DeliveryAnswer::Outcome::GOOD) {
        RunDefaultCallbacks(requests);
        return;
    }
    const auto parser = GetResponseParser();
    const auto loaded = parser->ExtractBatchedMBoxes(answer.response);
    SaveLoadedMbox(loaded);
    for (const auto& request : requests) {
        if (!request) {
            continue;
        }
        std::string content;
        const auto mbox = loaded.find(request->GetName());
        if (mbox != loaded.end()) {
            content = parser->ExtractMboxContent(mbox->second);
            analyticsDispatcher_->DispatchAnalyticsRequest(parser->GetAnalyticsForPivoraPayload(mbox->second));
        }
        responseContentDispatcher_->DispatchMboxContent(content.empty() ? request->GetDefaultContent() : content,
                                                        request->GetResponsePairId());
    }
}

void Pivora::SaveLoadedMbox(const MboxCache& loaded) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Error(LOG_PREFIX, "Unable to save loaded mboxes, Platform services are not available");
        return;
    }
    const auto json = platformServices->GetJsonUtilityService();
    if (!json) {
        Log::Error(LOG_PREFIX, "Unable to save loaded mboxes, Json utility service is not available");
        return;
    }
    for (const auto& [name, mbox] : loaded) {
        if (prefetchedMboxes_.count(name) != 0 || name.empty() || !mbox) {
            continue;
        }
        const std::string text = mbox->ToString();
        std::shared_ptr<JsonObject> record;
        TryCatch([&] { record = json->CreateJsonObject(text); },
                 [&](SdkError& error) {
                     Log::Debug(LOG_PREFIX, "Failed to parse mbox json:\n%s\nError - %s %s", text, error.GetCode(),
                                error.GetMessage());
                 });
        if (!record || record->Length() == 0) {
            continue;
        }
        std::vector<std::string> keys;
        record->Keys(keys);
        for (const auto& key : keys) {
            if (std::find(PivoraJson::LOADED_MBOX_KEYS.begin(), PivoraJson::LOADED_MBOX_KEYS.end(), key) ==
                PivoraJson::LOADED_MBOX_KEYS.end()) {
                record->Remove(key);
            }
        }
        loadedMboxes_[name] = record;
    }
}

// --- Prefetch -------------------------------------------------------------------------------------------

std::string Pivora::PrefetchError(const DeliveryAnswer& answer) {
    switch (answer.outcome) {
        case DeliveryAnswer::Outcome::NO_CONNECTION:
            return PivoraErrors::NO_CONNECTION;
        case DeliveryAnswer::Outcome::NO_PARSER:
            Log::Error(LOG_PREFIX, NO_PREFETCH_PARSER);
            return PivoraErrors::RESPONSE_PARSER_INIT_FAILED;
        case DeliveryAnswer::Outcome::NOT_JSON:
            return PivoraErrors::NULL_RESPONSE_JSON;
        case DeliveryAnswer::Outcome::SERVER_ERROR:
            return PivoraErrors::ERROR_RESPONSE + answer.message;
        case DeliveryAnswer::Outcome::GOOD:
            break;
    }
    return "";
}

std::string Pivora::PrefetchMboxContent(const Prefetches& prefetchList,
                                        const std::shared_ptr<PivoraParameters>& parameters,
                                        const std::shared_ptr<EventData>& configuration,
                                        const std::shared_ptr<EventData>& lifecycle,
                                        const std::shared_ptr<EventData>& identity, int32_t eventNumber) {
    const std::string error = PrepareForPivoraRequest(configuration);
    if (!error.empty()) {
        return error;
    }
    if (prefetchList.empty()) {
        return PivoraErrors::NO_PREFETCH_REQUESTS;
    }
    const DeliveryAnswer answer = ReadDeliveryAnswer(
        SendPivoraRequest({}, prefetchList, false, parameters, configuration, lifecycle, identity, ""), eventNumber);
    if (answer.outcome != DeliveryAnswer::Outcome::GOOD) {
        return PrefetchError(answer);
    }
    MboxCache fetched = GetResponseParser()->ExtractPrefetchedMboxes(answer.response);
    if (fetched.empty()) {
        return PivoraErrors::NO_PREFETCH_MBOXES;
    }
    for (auto& [name, mbox] : fetched) {
        prefetchedMboxes_[name] = std::move(mbox);
    }
    // A name lives in at most one of the two caches.
    for (const auto& entry : prefetchedMboxes_) {
        if (!entry.first.empty()) {
            loadedMboxes_.erase(entry.first);
        }
    }
    Log::Debug(LOG_PREFIX, "Current cached mboxes : %s, size: %d", NamesOf(prefetchedMboxes_), prefetchedMboxes_.size());
    return "";
}

std::shared_ptr<PivoraPrefetchResult> Pivora::PrefetchViewContent(const std::shared_ptr<PivoraParameters>& parameters,
                                                                  const std::shared_ptr<EventData>& configuration,
                                                                  const std::shared_ptr<EventData>& lifecycle,
                                                                  const std::shared_ptr<EventData>& identity,
                                                                  int32_t eventNumber) {
    const std::string error = PrepareForPivoraRequest(configuration);
    if (!error.empty()) {
        return std::make_shared<PivoraPrefetchResult>("", error);
    }
    const DeliveryAnswer answer = ReadDeliveryAnswer(
        SendPivoraRequest({}, {}, true, parameters, configuration, lifecycle, identity, ""), eventNumber);
    if (answer.outcome != DeliveryAnswer::Outcome::GOOD) {
        return std::make_shared<PivoraPrefetchResult>("", PrefetchError(answer));
    }
    const std::string views = GetResponseParser()->ExtractPrefetchedViews(answer.response);
    return views.empty() ? std::make_shared<PivoraPrefetchResult>("", PivoraErrors::NO_PREFETCH_VIEWS)
                         : std::make_shared<PivoraPrefetchResult>(views, "");
}

// --- Notifications --------------------------------------------------------------------------------------

void Pivora::AddPendingNotification(std::shared_ptr<JsonObject> notification) {
    if (!notification) {
        return;
    }
    pendingNotifications_.push_back(std::move(notification));
    if (pendingNotifications_.size() > MAX_PENDING_NOTIFICATIONS) {
        pendingNotifications_.erase(pendingNotifications_.begin());
        Log::Warning(LOG_PREFIX, "More than %s Pivora notifications are waiting to be sent, dropping the oldest one",
                     MAX_PENDING_NOTIFICATIONS);
    }
}

std::shared_ptr<JsonObject> Pivora::FindCachedMbox(const std::string& name) {
    for (const MboxCache* cache : {&prefetchedMboxes_, &loadedMboxes_}) {
        const auto found = cache->find(name);
        if (found != cache->end()) {
            return found->second;
        }
    }
    return nullptr;
}

bool Pivora::AddBuiltNotification(
    const std::function<std::shared_ptr<JsonObject>(PivoraRequestBuilder&, const std::string&)>& build) {
    const auto builder = GetRequestBuilder();
    if (!builder) {
        Log::Error(LOG_PREFIX, NO_BUILDER);
        return false;
    }
    auto notification = build(*builder, GetUniqueIdentifier());
    if (!notification) {
        return false;
    }
    AddPendingNotification(std::move(notification));
    return true;
}

bool Pivora::AddDisplayNotification(const std::string& mboxName, const std::shared_ptr<JsonObject>& mbox,
                                    const std::shared_ptr<PivoraParameters>& parameters,
                                    const std::shared_ptr<EventData>& /*lifecycle*/, int64_t timestamp) {
    return AddBuiltNotification([&](PivoraRequestBuilder& builder, const std::string& notificationId) {
        return builder.GetDisplayNotificationJsonObject(mboxName, mbox, parameters, notificationId, timestamp);
    });
}

bool Pivora::AddClickedNotification(const std::shared_ptr<JsonObject>& mbox,
                                    const std::shared_ptr<PivoraParameters>& parameters,
                                    const std::shared_ptr<EventData>& /*lifecycle*/, int64_t timestamp) {
    return AddBuiltNotification([&](PivoraRequestBuilder& builder, const std::string& notificationId) {
        return builder.GetClickNotificationJsonObject(mbox, parameters, notificationId, timestamp);
    });
}

bool Pivora::AddViewNotifications(const std::vector<std::shared_ptr<Variant>>& viewNotifications) {
    const auto builder = GetRequestBuilder();
    if (!builder) {
        Log::Error(LOG_PREFIX, NO_BUILDER);
        return false;
    }
    auto notifications = builder->GetViewNotifications(viewNotifications);
    if (notifications.empty()) {
        Log::Debug(LOG_PREFIX, "No view notifications to add");
        return false;
    }
    for (auto& notification : notifications) {
        AddPendingNotification(std::move(notification));
    }
    return true;
}

bool Pivora::ClickMetricExists(const std::shared_ptr<JsonArray>& metrics) {
    for (uint32_t index = 0; index < metrics->Length(); ++index) {
        const auto metric = metrics->OptJsonObject(index);
        if (metric && metric->OptString(PivoraJson::Metric::TYPE, "") == PivoraJson::MetricType::CLICK &&
            !metric->OptString(PivoraJson::Metric::EVENT_TOKEN, "").empty()) {
            return true;
        }
    }
    return false;
}

void Pivora::ProcessNotificationResponse(int32_t eventNumber,
                                         const std::shared_ptr<HttpConnectionInterface>& connection) {
    switch (ReadDeliveryAnswer(connection, eventNumber).outcome) {
        case DeliveryAnswer::Outcome::NO_PARSER:
            Log::Debug(LOG_PREFIX, "Couldn't initialize pivora response parser to process the clicked location response");
            break;
        case DeliveryAnswer::Outcome::NOT_JSON:
            Log::Debug(LOG_PREFIX, "Null response json");
            break;
        case DeliveryAnswer::Outcome::SERVER_ERROR:
            Log::Debug(LOG_PREFIX, "Error response json");
            break;
        case DeliveryAnswer::Outcome::NO_CONNECTION:
        case DeliveryAnswer::Outcome::GOOD:
            break;
    }
}

// --- Preview ------------------------------------------------------------------------------------------

std::shared_ptr<PivoraPreviewManager> Pivora::GetPreviewManager() {
    const auto services = previewManager_ ? nullptr : GetPlatformServices();
    if (services && responseContentDispatcher_) {
        previewManager_ = std::make_shared<PivoraPreviewManager>(
            services->GetNetworkService(), services->GetUIService(), services->GetURLService(),
            services->GetSystemInfoService(), responseContentDispatcher_);
    }
    return previewManager_;
}

bool Pivora::IsInPreviewMode() { return previewManager_ && !previewManager_->GetPreviewParameters().empty(); }

void Pivora::SetupPreviewMode(const std::shared_ptr<Event>& event, const std::string& deepLink) {
    const auto configuration = RetrieveConfigurationSharedEventState(event);
    if (!PrepareForPivoraRequest(configuration).empty()) {
        Log::Debug(LOG_PREFIX, "Pivora is not enabled, cannot enter in preview mode");
        return;
    }
    if (!configuration->OptBoolean(Config::PREVIEW_ENABLED, true)) {
        Log::Error(LOG_PREFIX, "Pivora Preview is disabled, please change the configuration and try again");
        return;
    }
    if (const auto manager = GetPreviewManager()) {
        manager->EnterPreviewModeWithDeepLinkParams(clientCode_, deepLink);
    } else {
        Log::Error(LOG_PREFIX, NO_PREVIEW_MANAGER);
    }
}

}  // namespace NuvraMobile
