#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace NuvraMobile {

class Configuration;
class Event;
class EventData;
class JsonUtilityServiceInterface;
class Variant;

/**
 * Builds the SDK-identities report that answers an identities request: the organisation of the
 * configuration and every user identifier the analytics, Pivora, audience and identity owners have
 * published, read from their shared states as they stood at the request. Static operations only;
 * called from the Configuration module's tasks.
 */
class MobileIdentities {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;
    using Entries = std::vector<std::shared_ptr<Variant>>;

    static constexpr const char* JSON_KEY_COMPANYCONTEXTS = "companyContexts";
    static constexpr const char* JSON_KEY_USERS = "users";
    static constexpr const char* JSON_KEY_USERIDS = "userIDs";
    static constexpr const char* JSON_KEY_NAMESPACE = "namespace";
    static constexpr const char* JSON_KEY_VALUE = "value";
    static constexpr const char* JSON_KEY_TYPE = "type";
    static constexpr const char* JSON_KEY_ANALYTICS_RSIDS = "rsids";
    static constexpr const char* JSON_VALUE_NAMESPACE_COMPANYCONTEXTS = "kovOrgID";
    static constexpr const char* JSON_VALUE_NAMESPACE_ANALYTICS_AID = "AVID";
    static constexpr const char* JSON_VALUE_NAMESPACE_AUDIENCE_UUID = "0";
    static constexpr const char* JSON_VALUE_NAMESPACE_SLID = "4";
    static constexpr const char* JSON_VALUE_NAMESPACE_PIVORA_THIRDPARTYID = "3rdpartyid";
    static constexpr const char* JSON_VALUE_NAMESPACE_PIVORA_QTXID = "qtxid";
    static constexpr const char* JSON_VALUE_NAMESPACE_USERIDENTIFIER = "vid";
    static constexpr const char* JSON_VALUE_TYPE_ANALYTICS = "analytics";
    static constexpr const char* JSON_VALUE_TYPE_INTEGRATIONCODE = "integrationCode";
    static constexpr const char* JSON_VALUE_TYPE_PIVORA = "pivora";
    static constexpr const char* JSON_VALUE_TYPE_NAMESPACEID = "namespaceId";
    static constexpr const char* SLPNS_DPID = "20920";
    static constexpr const char* IDFA_DSID = "DSID_20915";

    /** The report as JSON text; "" when it cannot be written. */
    static std::string GetAllIdentifiers(
        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService,
        const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration);
    /** False while the state of an owner that has published one is still pending for the request. */
    static bool AreAllSharedStateReady(const std::shared_ptr<Event>& event,
                                       const std::shared_ptr<Configuration>& configuration);
    /** Neither pending nor invalid. */
    static bool IsSharedStateValid(const std::shared_ptr<EventData>& state);

    /** The entries of one source, each a map variant; none while its state is pending or invalid. */
    static Entries GetCompanyContext(const std::shared_ptr<Event>& event,
                                     const std::shared_ptr<Configuration>& configuration);
    static Entries GetAnalyticsIdentifiers(const std::shared_ptr<Event>& event,
                                           const std::shared_ptr<Configuration>& configuration);
    static Entries GetPivoraIdentifiers(const std::shared_ptr<Event>& event,
                                        const std::shared_ptr<Configuration>& configuration);
    static Entries GetAudienceIdentifiers(const std::shared_ptr<Event>& event,
                                          const std::shared_ptr<Configuration>& configuration);
    static Entries GetVisitorIdentifiers(const std::shared_ptr<Event>& event,
                                         const std::shared_ptr<Configuration>& configuration);

    /** {"namespace", "value", "type"} as string variants. */
    static VariantMap CreateUserIdMap(const std::string& idNamespace, const std::string& value,
                                      const std::string& type);
};

}  // namespace NuvraMobile
