#pragma once

namespace NuvraMobile {

/** The vocabulary of the Configuration module: event-data keys, configuration keys and shared-state keys. */
namespace ConfigurationConstants {

namespace EventDataKeys {
namespace Configuration {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID = "config.appId";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_JSON_FILE_PATH = "config.filePath";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_IS_INTERNAL_EVENT = "config.isinternalevent";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG = "config.update";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_RETRIEVE_CONFIG = "config.getData";
/** The text of an app id's configuration file, fetched off the module's queue, to be applied in event order.
 */
constexpr const char* CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_CONFIG = "config.downloaded";
/** With the fetched text: the app id it was fetched for, which tells whether it still applies. */
constexpr const char* CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_FOR = "config.downloaded.for";
constexpr const char* RULES_REMOTE_URL = "rules.url";
constexpr const char* CONFIGURATION_RESPONSE_IDENTITY_ALL_IDENTIFIERS = "config.allidentifiers";
constexpr const char* EVENT_STATE_OWNER = "stateowner";
constexpr const char* GLOBAL_CONFIG_PRIVACY = "global.privacy";
constexpr const char* BUILD_ENVIRONMENT = "build.environment";
constexpr const char* ENVIRONMENT_PREFIX_DELIMITER = "__";
}  // namespace Configuration
}  // namespace EventDataKeys

/** Shared states that the module reads, and the keys it reads of them. */
namespace SharedStateKeys {
namespace Analytics {
constexpr const char* MODULE_NAME = "com.nuvra.module.analytics";
constexpr const char* ANALYTICS_ID = "aid";
constexpr const char* USER_IDENTIFIER = "vid";
}  // namespace Analytics
namespace Audience {
constexpr const char* MODULE_NAME = "com.nuvra.module.audience";
constexpr const char* DPID = "dpid";
constexpr const char* DPUUID = "dpuuid";
constexpr const char* UUID = "uuid";
}  // namespace Audience
namespace Identity {
constexpr const char* MODULE_NAME = "com.nuvra.module.identity";
constexpr const char* MID = "mid";
constexpr const char* VISITOR_IDS_LIST = "visitoridslist";
constexpr const char* ADVERTISING_IDENTIFIER = "advertisingidentifier";
constexpr const char* PUSH_IDENTIFIER = "pushidentifier";
}  // namespace Identity
namespace Pivora {
constexpr const char* MODULE_NAME = "com.nuvra.module.pivora";
constexpr const char* QTX_ID = "qtxid";
constexpr const char* THIRD_PARTY_ID = "thirdpartyid";
}  // namespace Pivora
namespace Configuration {
constexpr const char* CONFIG_SKYLOOM_ORGID_KEY = "skyloom.org";
constexpr const char* ANALYTICS_CONFIG_REPORT_SUITES = "analytics.rsids";
}  // namespace Configuration
}  // namespace SharedStateKeys

/** Configuration keys whose value is the address (host and optional port) of a server that is sent to. */
inline constexpr const char* SERVER_ADDRESS_KEYS[] = {"analytics.server", "skyloom.server"};

}  // namespace ConfigurationConstants

}  // namespace NuvraMobile
