#include "analytics/AnalyticsRequestSerializer.h"

#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsState.h"
#include "analytics/ContextDataBlock.h"
#include "shared/ContextData.h"
#include "shared/VisitorId.h"

namespace NuvraMobile {

namespace {
constexpr const char* CUSTOMER_ID_BLOCK_KEY = "cid";
constexpr size_t VAR_ESCAPE_PREFIX_LENGTH = 2;
}  // namespace

std::string AnalyticsRequestSerializer::SerializeAnalyticsRequest(
    const std::shared_ptr<AnalyticsState>& state, std::map<std::string, std::string> contextData,
    std::map<std::string, std::string> variables) const {
    for (auto entry = contextData.begin(); entry != contextData.end();) {
        const std::string& key = entry->first;
        if (key.rfind(AnalyticsConstants::VAR_ESCAPE_PREFIX, 0) == 0) {
            variables[key.substr(VAR_ESCAPE_PREFIX_LENGTH)] = entry->second;
            entry = contextData.erase(entry);
        } else if (key.empty()) {
            entry = contextData.erase(entry);
        } else {
            ++entry;
        }
    }
    std::string body = "ndh=1";
    if (state && state->IsVisitorIdServiceEnabled()) {
        body += state->GetSerializedVisitorIdsList();
    }
    if (!contextData.empty()) {
        body += ContextDataBlock::Wrap(AnalyticsConstants::ANALYTICS_REQUEST_CONTEXT_DATA_KEY,
                                       ContextData::EncodeContextData(contextData));
    }
    body += ContextData::EncodeContextData(variables);
    return body;
}

std::string AnalyticsRequestSerializer::GenerateAnalyticsCustomerIdString(
    const std::vector<std::shared_ptr<VisitorId>>& visitorIds) const {
    if (visitorIds.empty()) {
        return "";
    }
    std::map<std::string, std::string> customerIds;
    for (const auto& visitorId : visitorIds) {
        if (!visitorId) {
            continue;
        }
        customerIds[SerializeIdentifierKeyForAnalyticsId(visitorId->GetIdType())] = visitorId->GetId();
        customerIds[SerializeAuthenticationKeyForAnalyticsId(visitorId->GetIdType())] =
            std::to_string(static_cast<int>(visitorId->GetAuthenticationState()));
    }
    return ContextDataBlock::Wrap(CUSTOMER_ID_BLOCK_KEY, ContextData::EncodeContextData(customerIds));
}

std::string AnalyticsRequestSerializer::SerializeIdentifierKeyForAnalyticsId(const std::string& idType) {
    return idType + ".id";
}

std::string AnalyticsRequestSerializer::SerializeAuthenticationKeyForAnalyticsId(const std::string& idType) {
    return idType + ".as";
}

}  // namespace NuvraMobile
