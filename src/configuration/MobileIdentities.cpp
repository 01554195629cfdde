#include "configuration/MobileIdentities.h"

#include "configuration/Configuration.h"
#include "configuration/ConfigurationConstants.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdSerializer.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

namespace StateKeys = ConfigurationConstants::SharedStateKeys;
constexpr const char* CONFIGURATION_STATE =
    ConfigurationConstants::EventDataKeys::Configuration::SHARED_STATE_NAME;

/** The owner's state at the event, or null when it is pending, invalid or absent. */
std::shared_ptr<EventData> ValidState(const char* owner, const std::shared_ptr<Event>& event,
                                      const std::shared_ptr<Configuration>& configuration) {
    const std::shared_ptr<EventData> state = configuration->GetSharedEventState(owner, event);
    return MobileIdentities::IsSharedStateValid(state) ? state : nullptr;
}

std::string Read(const EventData& state, const char* key) { return state.OptString(key, ""); }

/** Appends a user-id entry when its value is not empty. */
void AddUserId(MobileIdentities::Entries& entries, const std::string& idNamespace, const std::string& value,
               const char* type) {
    if (!value.empty()) {
        entries.push_back(
            Variant::FromVariantMap(MobileIdentities::CreateUserIdMap(idNamespace, value, type)));
    }
}

}  // namespace

std::string MobileIdentities::GetAllIdentifiers(
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService,
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    VariantMap report;
    const Entries companyContexts = GetCompanyContext(event, configuration);
    if (!companyContexts.empty()) {
        report[JSON_KEY_COMPANYCONTEXTS] = Variant::FromVariantVector(companyContexts);
    }
    Entries userIds;
    for (auto source :
         {GetAnalyticsIdentifiers, GetPivoraIdentifiers, GetAudienceIdentifiers, GetVisitorIdentifiers}) {
        const Entries entries = source(event, configuration);
        userIds.insert(userIds.end(), entries.begin(), entries.end());
    }
    if (!userIds.empty()) {
        report[JSON_KEY_USERS] = Variant::FromVariantVector(
            {Variant::FromVariantMap({{JSON_KEY_USERIDS, Variant::FromVariantVector(std::move(userIds))}})});
    }
    const std::shared_ptr<JsonObject> json =
        jsonUtilityService ? jsonUtilityService->CreateJsonObject(report) : nullptr;
    return json ? json->ToString() : "";
}

bool MobileIdentities::AreAllSharedStateReady(const std::shared_ptr<Event>& event,
                                              const std::shared_ptr<Configuration>& configuration) {
    static const char* const owners[] = {StateKeys::Identity::MODULE_NAME, StateKeys::Analytics::MODULE_NAME,
                                         StateKeys::Pivora::MODULE_NAME, StateKeys::Audience::MODULE_NAME,
                                         CONFIGURATION_STATE};
    for (const char* owner : owners) {
        if (configuration->HasSharedEventState(owner) &&
            configuration->GetSharedEventState(owner, event) == SHARED_STATE_PENDING) {
            return false;
        }
    }
    return true;
}

bool MobileIdentities::IsSharedStateValid(const std::shared_ptr<EventData>& state) {
    return state != SHARED_STATE_PENDING && state != SHARED_STATE_INVALID;
}

MobileIdentities::Entries MobileIdentities::GetCompanyContext(
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    Entries entries;
    const std::shared_ptr<EventData> state = ValidState(CONFIGURATION_STATE, event, configuration);
    const std::string organisation =
        state ? Read(*state, StateKeys::Configuration::CONFIG_SKYLOOM_ORGID_KEY) : "";
    if (!organisation.empty()) {
        entries.push_back(Variant::FromVariantMap(
            {{JSON_KEY_NAMESPACE, Variant::FromString(JSON_VALUE_NAMESPACE_COMPANYCONTEXTS)},
             {JSON_KEY_VALUE, Variant::FromString(organisation)}}));
    }
    return entries;
}

MobileIdentities::Entries MobileIdentities::GetAnalyticsIdentifiers(
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    Entries entries;
    const std::shared_ptr<EventData> state =
        ValidState(StateKeys::Analytics::MODULE_NAME, event, configuration);
    if (!state) {
        return entries;
    }
    AddUserId(entries, JSON_VALUE_NAMESPACE_ANALYTICS_AID, Read(*state, StateKeys::Analytics::ANALYTICS_ID),
              JSON_VALUE_TYPE_INTEGRATIONCODE);
    const std::string userIdentifier = Read(*state, StateKeys::Analytics::USER_IDENTIFIER);
    const std::shared_ptr<EventData> configurationState =
        ValidState(CONFIGURATION_STATE, event, configuration);
    if (userIdentifier.empty() || !configurationState) {
        return entries;
    }
    VariantMap entry =
        CreateUserIdMap(JSON_VALUE_NAMESPACE_USERIDENTIFIER, userIdentifier, JSON_VALUE_TYPE_ANALYTICS);
    const std::string reportSuites =
        Read(*configurationState, StateKeys::Configuration::ANALYTICS_CONFIG_REPORT_SUITES);
    if (!reportSuites.empty()) {
        entry[JSON_KEY_ANALYTICS_RSIDS] = Variant::FromStringVector(StringUtils::Split(reportSuites, ","));
    }
    entries.push_back(Variant::FromVariantMap(std::move(entry)));
    return entries;
}

MobileIdentities::Entries MobileIdentities::GetPivoraIdentifiers(
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    Entries entries;
    const std::shared_ptr<EventData> state = ValidState(StateKeys::Pivora::MODULE_NAME, event, configuration);
    if (state) {
        AddUserId(entries, JSON_VALUE_NAMESPACE_PIVORA_QTXID, Read(*state, StateKeys::Pivora::QTX_ID),
                  JSON_VALUE_TYPE_PIVORA);
        AddUserId(entries, JSON_VALUE_NAMESPACE_PIVORA_THIRDPARTYID,
                  Read(*state, StateKeys::Pivora::THIRD_PARTY_ID), JSON_VALUE_TYPE_PIVORA);
    }
    return entries;
}

MobileIdentities::Entries MobileIdentities::GetAudienceIdentifiers(
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    Entries entries;
    const std::shared_ptr<EventData> state =
        ValidState(StateKeys::Audience::MODULE_NAME, event, configuration);
    if (!state) {
        return entries;
    }
    const std::string dataProviderUserId = Read(*state, StateKeys::Audience::DPUUID);
    if (!dataProviderUserId.empty()) {
        AddUserId(entries, Read(*state, StateKeys::Audience::DPID), dataProviderUserId,
                  JSON_VALUE_TYPE_NAMESPACEID);
    }
    AddUserId(entries, JSON_VALUE_NAMESPACE_AUDIENCE_UUID, Read(*state, StateKeys::Audience::UUID),
              JSON_VALUE_TYPE_NAMESPACEID);
    return entries;
}

MobileIdentities::Entries MobileIdentities::GetVisitorIdentifiers(
    const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration) {
    Entries entries;
    const std::shared_ptr<EventData> state =
        ValidState(StateKeys::Identity::MODULE_NAME, event, configuration);
    if (!state) {
        return entries;
    }
    AddUserId(entries, JSON_VALUE_NAMESPACE_SLID, Read(*state, StateKeys::Identity::MID),
              JSON_VALUE_TYPE_NAMESPACEID);
    const auto visitorIds = state->GetTypedVector<VisitorId>(StateKeys::Identity::VISITOR_IDS_LIST);
    if (visitorIds.HasValue()) {
        for (const std::shared_ptr<VisitorId>& visitorId : visitorIds.Value()) {
            AddUserId(entries, visitorId->GetIdType(), visitorId->GetId(), JSON_VALUE_TYPE_INTEGRATIONCODE);
        }
    }
    AddUserId(entries, SLPNS_DPID, Read(*state, StateKeys::Identity::PUSH_IDENTIFIER),
              JSON_VALUE_TYPE_INTEGRATIONCODE);
    AddUserId(entries, IDFA_DSID, Read(*state, StateKeys::Identity::ADVERTISING_IDENTIFIER),
              JSON_VALUE_TYPE_INTEGRATIONCODE);
    return entries;
}

MobileIdentities::VariantMap MobileIdentities::CreateUserIdMap(const std::string& idNamespace,
                                                               const std::string& value,
                                                               const std::string& type) {
    return {{JSON_KEY_NAMESPACE, Variant::FromString(idNamespace)},
            {JSON_KEY_VALUE, Variant::FromString(value)},
            {JSON_KEY_TYPE, Variant::FromString(type)}};
}

}  // namespace NuvraMobile
