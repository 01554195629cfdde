#include <utility>

#include "analytics/Analytics.h"
#include "analytics/AnalyticsDispatchers.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UuidInterface.h"
#include "shared/UrlBuilder.h"
#include "util/Log.h"
#include "util/NetworkConnectionUtil.h"
#include "util/RandomUtil.h"
#include "util/StringUtils.h"

// The analytics identifier (AID) and the visitor identifier (VID): persisted, published as the shared
// state and sent to whoever asks.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;

namespace {
constexpr const char* AID_KEY = "NUVRAMOBILE_STOREDDEFAULTS_AID";
constexpr const char* IGNORE_AID_KEY = "NUVRAMOBILE_STOREDDEFAULTS_IGNORE_AID";
constexpr const char* VISITOR_IDENTIFIER_KEY = "NUVRAMOBILE_STOREDDEFAULTS_VISITOR_IDENTIFIER";
constexpr const char* AID_PATH = "id";
constexpr std::size_t AID_LENGTH = 33;
constexpr std::size_t AID_GROUP_LENGTH = 16;
constexpr std::int64_t AID_TIMEOUT_SECONDS = 5;
constexpr std::int32_t HTTP_OK = 200;
constexpr std::int32_t HTTP_SERVER_ERROR = 500;
constexpr int HIGH_FIRST_DIGIT_MAX = 7;
constexpr int LOW_FIRST_DIGIT_MAX = 3;

/** The value of an upper-case hexadecimal digit. */
int HexDigitValue(char digit) { return digit <= '9' ? digit - '0' : digit - 'A' + 10; }
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
    bool ignoreAid = false;
    if (const auto dataStore = GetDataStore()) {
        ignoreAid = dataStore->GetBoolean(IGNORE_AID_KEY, false);
        properties_->SetAnalyticsId(dataStore->GetString(AID_KEY, ""));
        properties_->SetVisitorId(dataStore->GetString(VISITOR_IDENTIFIER_KEY, ""));
    } else {
        Log::Error(LOG_TAG, "LocalStorage Service not initialized. Unable to get AID from persistence");
    }
    const bool publishAsIs = ignoreAid ? state->IsVisitorIdServiceEnabled() : !properties_->GetAnalyticsId().empty();
    if (!publishAsIs) {
        if (state->GetPrivacyStatus() != MobilePrivacyStatus::UNKNOWN) {
            RequestAnalyticsId(state, pairId, eventNumber);
            return;
        }
        if (properties_->GetAnalyticsId().empty()) {
            const std::string aid = GenerateAID();
            UpdateAnalyticsIdInLocalStorage(aid);
            properties_->SetAnalyticsId(aid);
        }
    }
    UpdateOrCreateAnalyticsSharedState(eventNumber, true);
    identityDispatcher_->DispatchAnalyticsIdentity(properties_->GetAnalyticsId(), properties_->GetVisitorId(),
                                                   pairId);
}

void Analytics::RequestAnalyticsId(const std::shared_ptr<AnalyticsState>& state, const std::string& pairId,
                                   std::int32_t eventNumber) {
    // Readers of this event's state wait until the answer fills it.
    CreateSharedState(eventNumber, nullptr);
    analyticsIdWaiters_.push_back({eventNumber, pairId});
    if (analyticsIdWaiters_.size() > 1) {
        return;  // the outstanding request fills this state too
    }
    const auto platformServices = GetPlatformServices();
    const auto networkService = platformServices ? platformServices->GetNetworkService() : nullptr;
    if (!networkService) {
        Log::Warning(LOG_TAG, platformServices ? "Network services are not available"
                                               : "Platform services are not available");
        FinishAnalyticsIdRequest(state, "", true, analyticsIdPurges_);
        return;
    }
    const std::string url = RetrieveAnalyticsIdUrl(state);
    if (url.empty()) {
        // A server the URL rule refuses: the configuration has said so, and no answer can come.
        Log::Debug(LOG_TAG, "No Analytics ID call: the server address is refused");
        FinishAnalyticsIdRequest(state, "", true, analyticsIdPurges_);
        return;
    }
    Log::Debug(LOG_TAG, "Sending Analytics ID call (%s)", url);
    std::weak_ptr<Analytics> weakSelf = SharedSelf();
    const std::uint64_t purges = analyticsIdPurges_;
    networkService->ConnectUrlAsync(
        url, HttpCommandType::GET, "", NetworkConnectionUtil::GetHeaders(GetLocale(), ""), AID_TIMEOUT_SECONDS,
        AID_TIMEOUT_SECONDS, [weakSelf, state, purges](const std::shared_ptr<HttpConnectionInterface>& connection) {
            std::string response;
            bool transportFailed = false;
            if (!connection) {
                Log::Debug(LOG_TAG, "Unable to read response for AID request, connection was null");
                transportFailed = true;
            } else if (connection->GetResponseCode() != HTTP_OK) {
                const std::int32_t code = connection->GetResponseCode();
                connection->Close();
                Log::Debug(LOG_TAG, "Unable to read response for AID request. Connection response code = %d", code);
                // No answer, a timeout or a server error says nothing about the id: the next run asks again.
                transportFailed = code <= 0 || code >= HTTP_SERVER_ERROR;
            } else {
                response = connection->GetResponse();
                connection->Close();
            }
            // The effects belong to the module's queue, never to the network service's thread.
            if (const auto self = weakSelf.lock()) {
                QueueMemberTask(*self, "AnalyticsIdResponse",
                                [state, response, transportFailed, purges](Analytics& analytics) {
                                    analytics.FinishAnalyticsIdRequest(state, response, transportFailed, purges);
                                });
            }
        });
}

void Analytics::FinishAnalyticsIdRequest(const std::shared_ptr<AnalyticsState>& state, const std::string& response,
                                         bool transportFailed, std::uint64_t purgesAtRequest) {
    std::string serverAid;
    if (!transportFailed && !response.empty()) {
        TryCatch([&] { serverAid = ReadServerAnalyticsId(response); },
                 [](SdkError& error) {
                     Log::Warning(LOG_TAG, "Unable to read the AID answer (%s)", error.GetMessage());
                 });
    }
    if (purgesAtRequest != analyticsIdPurges_) {
        Log::Debug(LOG_TAG, "Dropping the AID answer: the identifiers were cleared meanwhile");
    } else if (!serverAid.empty()) {
        properties_->SetAnalyticsId(serverAid);
        UpdateAnalyticsIdInLocalStorage(serverAid);
    } else {
        const std::string aid = FallbackAnalyticsId(state);
        properties_->SetAnalyticsId(aid);
        // An empty id after a failed transport stays unstored, so the ignore flag is not set.
        if (!aid.empty() || !transportFailed) {
            UpdateAnalyticsIdInLocalStorage(aid);
        }
    }
    const auto waiters = std::exchange(analyticsIdWaiters_, {});
    for (const auto& waiter : waiters) {
        UpdateOrCreateAnalyticsSharedState(waiter.eventNumber, false);
        identityDispatcher_->DispatchAnalyticsIdentity(properties_->GetAnalyticsId(), properties_->GetVisitorId(),
                                                       waiter.pairId);
    }
}

std::string Analytics::FallbackAnalyticsId(const std::shared_ptr<AnalyticsState>& state) {
    // A stored id, the server's above all, is never replaced by a generated one.
    if (const auto dataStore = GetDataStore()) {
        const std::string stored = dataStore->GetString(AID_KEY, "");
        if (!stored.empty()) {
            return stored;
        }
    }
    return state->IsVisitorIdServiceEnabled() ? "" : GenerateAID();
}

std::string Analytics::ParseIdentifier(const std::shared_ptr<AnalyticsState>& state, const std::string& response) {
    const std::string id = ReadServerAnalyticsId(response);
    if (!id.empty()) {
        return id;
    }
    return state->IsVisitorIdServiceEnabled() ? "" : GenerateAID();
}

std::string Analytics::ReadServerAnalyticsId(const std::string& response) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        throw SdkError("platform_services.missing_service", "Platform services are not available.",
                       CurrentDebugInfo());
    }
    const auto jsonUtility = platformServices->GetJsonUtilityService();
    if (!jsonUtility) {
        throw SdkError("platform_services.missing_service",
                       "Failed to initialize JSON Utility, platform services are not available.", CurrentDebugInfo());
    }
    std::string id;
    if (!response.empty()) {
        TryCatch(
            [&] {
                const auto json = jsonUtility->CreateJsonObject(response);
                if (!json) {
                    throw SdkError("json.parse_error", "The answer is not a JSON object.", CurrentDebugInfo());
                }
                id = json->GetString(AnalyticsConstants::AID_JSON_ID_KEY);
            },
            [&](SdkError& error) {
                Log::Debug(LOG_TAG, "Failed to parse analytics server response:\n%s\nError - %s %s", response,
                           error.GetCode(), error.GetMessage());
                id.clear();
            });
    }
    return id.size() == AID_LENGTH ? id : "";
}

std::string Analytics::GenerateAID() {
    const auto crypto = GetCryptoService();
    const auto uuid = crypto ? crypto->GetRandomUuid() : nullptr;
    if (!uuid) {
        return "";
    }
    std::string digits = StringUtils::ToUpper(StringUtils::Replace(uuid->GetString(), "-", ""));
    if (digits.size() != 2 * AID_GROUP_LENGTH) {
        return "";
    }
    std::string high = digits.substr(0, AID_GROUP_LENGTH);
    std::string low = digits.substr(AID_GROUP_LENGTH);
    // Read as 64-bit numbers the high group stays below 2^63 and the low group below 2^62.
    if (HexDigitValue(high[0]) > HIGH_FIRST_DIGIT_MAX) {
        high.replace(0, 1, RandomUtil::Rand(HIGH_FIRST_DIGIT_MAX));
    }
    if (HexDigitValue(low[0]) > LOW_FIRST_DIGIT_MAX) {
        low.replace(0, 1, RandomUtil::Rand(LOW_FIRST_DIGIT_MAX));
    }
    return high + "-" + low;
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
