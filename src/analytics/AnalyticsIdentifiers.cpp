#include "analytics/Analytics.h"
#include "analytics/AnalyticsDispatchers.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "core/EventData.h"
#include "platformShim/DataStoreInterface.h"
#include "util/Log.h"
#include "util/UrlBuilder.h"

// The analytics identifier (AID) and the visitor identifier (VID): persisted, published as the shared
// state and sent to whoever asks.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;

namespace {
constexpr const char* AID_KEY = "NUVRAMOBILE_STOREDDEFAULTS_AID";
constexpr const char* IGNORE_AID_KEY = "NUVRAMOBILE_STOREDDEFAULTS_IGNORE_AID";
constexpr const char* VISITOR_IDENTIFIER_KEY = "NUVRAMOBILE_STOREDDEFAULTS_VISITOR_IDENTIFIER";
constexpr const char* AID_PATH = "id";
}  // namespace

void Analytics::HandleAnalyticsIdRequest(const std::shared_ptr<AnalyticsState>& state, const std::string& pairId,
                                         std::int32_t eventNumber) {
    if (!sharedStateData_) {
        sharedStateData_ = std::make_shared<EventData>();
    }
    if (!state->IsAnalyticsConfigured() || state->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        sharedStateData_->PutString(Keys::ANALYTICS_ID, "");
        sharedStateData_->PutString(Keys::VISITOR_IDENTIFIER, "");
        CreateSharedState(eventNumber, std::make_shared<EventData>());
        identityDispatcher_->DispatchAnalyticsIdentity(properties_->GetAnalyticsId(), properties_->GetVisitorId(),
                                                       pairId);
        return;
    }
    if (const auto dataStore = GetDataStore()) {
        properties_->SetAnalyticsId(dataStore->GetString(AID_KEY, ""));
        properties_->SetVisitorId(dataStore->GetString(VISITOR_IDENTIFIER_KEY, ""));
    } else {
        Log::Error(LOG_TAG, "LocalStorage Service not initialized. Unable to get AID from persistence");
    }
    UpdateOrCreateAnalyticsSharedState(eventNumber, true);
    identityDispatcher_->DispatchAnalyticsIdentity(properties_->GetAnalyticsId(), properties_->GetVisitorId(),
                                                   pairId);
}

std::string Analytics::RetrieveAnalyticsIdUrl(const std::shared_ptr<AnalyticsState>& state) {
    UrlBuilder builder;
    builder.EnableSsl(true).SetHost(state->GetHost()).AddPath(AID_PATH);
    if (state->IsVisitorIdServiceEnabled()) {
        builder.AddQueryParameters(GetGlenmoorIdQueryParameters(state));
    }
    return builder.Build();
}

std::map<std::string, std::string> Analytics::GetGlenmoorIdQueryParameters(
    const std::shared_ptr<AnalyticsState>& state) {
    if (state->GetGlenmoorId().empty()) {
        return {};
    }
    return {{AnalyticsConstants::ANALYTICS_PARAMETER_KEY_MID, state->GetGlenmoorId()},
            {AnalyticsConstants::ANALYTICS_PARAMETER_KEY_ORG, state->GetGlenmoorOrganizationId()}};
}

void Analytics::UpdateAnalyticsIdInLocalStorage(const std::string& analyticsId) {
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Error(LOG_TAG, "LocalStorage Service not initialized. Unable to update AID in persistence");
        return;
    }
    if (analyticsId.empty()) {
        dataStore->Remove(AID_KEY);
    } else {
        dataStore->SetString(AID_KEY, analyticsId);
    }
    dataStore->SetBoolean(IGNORE_AID_KEY, analyticsId.empty());
}

void Analytics::UpdateVisitorIDInLocalStorage(const std::string& visitorId) {
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Error(LOG_TAG, "LocalStorage Service not initialized. Unable to update visitor identifier in persistence");
        return;
    }
    if (visitorId.empty()) {
        dataStore->Remove(VISITOR_IDENTIFIER_KEY);
    } else {
        dataStore->SetString(VISITOR_IDENTIFIER_KEY, visitorId);
    }
}

void Analytics::HandleVisitorIdentifierRequest(const std::string& visitorId, std::int32_t eventNumber,
                                               const std::string& pairId) {
    UpdateVisitorIDInLocalStorage(visitorId);
    properties_->SetVisitorId(visitorId);
    UpdateOrCreateAnalyticsSharedState(eventNumber, true);
    identityDispatcher_->DispatchAnalyticsIdentity(properties_->GetAnalyticsId(), visitorId, pairId);
}

}  // namespace NuvraMobile
