#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "util/TimeUtils.h"
#include "util/UrlEncoder.h"

// URL decoration: the visitor payload appended to a URL or returned alone.

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;
namespace AnalyticsKeys = IdentityConstants::EventDataKeys::Analytics;
namespace Names = IdentityConstants::EventNames;

void Identity::HandleAppendUrl(const std::shared_ptr<Event>& event,
                               const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    std::string baseUrl;
    event->GetData()->GetString(Keys::BASE_URL, baseUrl);
    AppendVisitorInfoForUrl(baseUrl, event->GetResponsePairID(), configuration,
                            GetSharedEventState(AnalyticsKeys::SHARED_STATE_NAME, event));
}

void Identity::HandleGetUrlVariables(const std::shared_ptr<Event>& event,
                                     const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    const auto payload =
        GenerateVisitorIdPayload(configuration, GetSharedEventState(AnalyticsKeys::SHARED_STATE_NAME, event));
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::URL_VARIABLES, payload);
    HandleIdentityResponseEvent(Names::IDENTITY_URL_VARIABLES, data, event->GetResponsePairID());
}

void Identity::AppendVisitorInfoForUrl(const std::string& baseUrl, const std::string& pairId,
                                       const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                                       const std::shared_ptr<EventData>& analyticsState) {
    auto data = std::make_shared<EventData>();
    if (baseUrl.empty()) {
        data->PutString(Keys::UPDATED_URL, "");
        HandleIdentityResponseEvent(Names::IDENTITY_APPENDED_URL, data, pairId);
        return;
    }
    const auto payload = GenerateVisitorIdPayload(configuration, analyticsState);
    const auto query = baseUrl.find('?');
    const auto fragment = baseUrl.find('#');
    const bool hasFragment = fragment != std::string::npos && fragment > 0;
    const auto insertAt = hasFragment ? fragment : baseUrl.size();
    std::string separator;
    if (query == std::string::npos || (hasFragment && fragment < query)) {
        separator = "?";
    } else if (query != baseUrl.size() - 1) {
        separator = "&";
    }
    std::string updated = baseUrl;
    updated.insert(insertAt, separator + payload);
    data->PutString(Keys::UPDATED_URL, updated);
    HandleIdentityResponseEvent(Names::IDENTITY_APPENDED_URL, data, pairId);
}

std::string Identity::GenerateVisitorIdPayload(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                                               const std::shared_ptr<EventData>& analyticsState) {
    auto text = AppendParameterToVisitorIdString("", IdentityConstants::VISITOR_TIMESTAMP_KEY,
                                                 std::to_string(TimeUtils::GetUnixTime()));
    text = AppendParameterToVisitorIdString(text, IdentityConstants::VISITOR_PAYLOAD_GLENMOOR_ID_KEY, mid_);
    std::string vid;
    if (analyticsState) {
        std::string aid;
        if (analyticsState->GetString(AnalyticsKeys::ANALYTICS_ID, aid)) {
            text = AppendParameterToVisitorIdString(text, IdentityConstants::VISITOR_PAYLOAD_ANALYTICS_ID_KEY, aid);
        }
        vid = analyticsState->OptString(AnalyticsKeys::VISITOR_IDENTIFIER, "");
    }
    text = AppendParameterToVisitorIdString(text, IdentityConstants::VISITOR_PAYLOAD_GLENMOOR_ORG_ID,
                                            configuration ? configuration->GetOrgId() : "");
    auto payload = std::string(IdentityConstants::VISITOR_PAYLOAD_KEY) + "=" + UrlEncoder::Encode(text);
    if (!vid.empty()) {
        payload += std::string("&") + IdentityConstants::ANALYTICS_PAYLOAD_KEY + "=" + UrlEncoder::Encode(vid);
    }
    return payload;
}

std::string Identity::AppendParameterToVisitorIdString(const std::string& text, const std::string& key,
                                                       const std::string& value) {
    if (key.empty() || value.empty()) {
        return text;
    }
    const auto pair = key + "=" + value;
    return text.empty() ? pair : text + "|" + pair;
}

}  // namespace NuvraMobile
