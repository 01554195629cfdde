#pragma once

#include <cstdint>

#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

/** The vocabulary of the Identity module: defaults, stored keys, server keys and event-data keys. */
namespace IdentityConstants {

constexpr const char* LOG_PREFIX = "com.nuvra.module.identity";

namespace Default {
/** The identity server host used when the configuration names none. */
constexpr const char* SERVER = "identity.nuvra.net";
/** Separates the type, the id and the state of one customer id in the sync URL and the stored list. */
constexpr const char* CID_DELIMITER = "%01";
constexpr std::int64_t DEFAULT_TTL_VALUE = 600;
/** Connect and read timeout of identity requests, in seconds. */
constexpr std::int32_t TIMEOUT = 2;
constexpr bool DEFAULT_SSL = true;
constexpr MobilePrivacyStatus DEFAULT_MOBILE_PRIVACY = MobilePrivacyStatus::UNKNOWN;
}  // namespace Default

// The URL-decoration payload.
constexpr const char* VISITOR_PAYLOAD_KEY = "nuvra_sl";
constexpr const char* VISITOR_TIMESTAMP_KEY = "TS";
constexpr const char* VISITOR_PAYLOAD_GLENMOOR_ORG_ID = "SLORGID";
constexpr const char* VISITOR_PAYLOAD_GLENMOOR_ID_KEY = "SLMID";
constexpr const char* VISITOR_PAYLOAD_ANALYTICS_ID_KEY = "SLAID";
constexpr const char* ANALYTICS_PAYLOAD_KEY = "nuvra_ze_vid";

// Keys of the identity server's answers and requests.
constexpr const char* RESPONSE_KEY_MID = "d_mid";
constexpr const char* RESPONSE_KEY_ORGID = "d_orgid";
constexpr const char* RESPONSE_KEY_BLOB = "d_blob";
constexpr const char* RESPONSE_KEY_HINT = "dcs_region";
constexpr const char* RESPONSE_KEY_TTL = "id_sync_ttl";
constexpr const char* RESPONSE_KEY_ERROR = "error_msg";
constexpr const char* RESPONSE_KEY_OPT_OUT = "d_optout";
constexpr const char* VISITOR_ID_PARAMETER_KEY_CUSTOMER = "d_cid_ic";
constexpr const char* KEY_PATH_OPTOUT = "qzoptout.jpg";
constexpr const char* KEY_PATH_ID = "id";
constexpr const char* KEY_API_VERSION = "d_ver";
constexpr const char* VALUE_API_VERSION = "2";
constexpr const char* KEY_RESPONSE_TYPE = "d_rtbd";
constexpr const char* VALUE_RESPONSE_TYPE = "json";
constexpr const char* KEY_DPID = "d_cid";

/** Keys of the data store "visitorIDServiceDataStore". */
namespace DataStoreKeys {
constexpr const char* VISITOR_IDS_STRING = "NUVRAMOBILE_VISITORID_IDS";
constexpr const char* GLENMOOR_ID = "NUVRAMOBILE_PERSISTED_MID";
constexpr const char* GLENMOOR_ORG_ID = "NUVRAMOBILE_PERSISTED_ORG_ID";
constexpr const char* LOCATION_HINT = "NUVRAMOBILE_PERSISTED_MID_HINT";
constexpr const char* BLOB = "NUVRAMOBILE_PERSISTED_MID_BLOB";
constexpr const char* TTL = "NUVRAMOBILE_VISITORID_TTL";
constexpr const char* LAST_SYNC = "NUVRAMOBILE_VISITORID_SYNC";
constexpr const char* ADVERTISING_IDENTIFIER = "NUVRAMOBILE_ADVERTISING_IDENTIFIER";
constexpr const char* PUSH_IDENTIFIER = "NUVRAMOBILE_PUSH_IDENTIFIER";
constexpr const char* PUSH_ENABLED = "NUVRAMOBILE_PUSH_ENABLED";
constexpr const char* AID_SYNCED_KEY = "NUVRAMOBILE_AID_SYNCED";
}  // namespace DataStoreKeys

namespace EventDataKeys {
constexpr const char* STATE_OWNER = "stateowner";

/** The identity shared state, the identity request and response events. */
namespace Identity {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.identity";
constexpr const char* ADID_DSID = "DSID_20915";
constexpr const char* ADVERTISING_IDENTIFIER = "advertisingidentifier";
constexpr const char* AUTHENTICATION_STATE = "authenticationstate";
constexpr const char* BASE_URL = "baseurl";
constexpr const char* DPIDS = "dpids";
constexpr const char* EVENT_PUSH_STATUS = "a.push.optin";
constexpr const char* FORCE_SYNC = "forcesync";
constexpr const char* IDENTIFIERS = "visitoridentifiers";
constexpr const char* IS_SYNC_EVENT = "issyncevent";
constexpr const char* SLPNS_DPID = "20920";
constexpr const char* PUSH_ID_ENABLED_ACTION_NAME = "Push";
constexpr const char* PUSH_IDENTIFIER = "pushidentifier";
constexpr const char* UPDATED_URL = "updatedurl";
constexpr const char* URL_VARIABLES = "urlvariables";
constexpr const char* VISITOR_ID_BLOB = "blob";
constexpr const char* VISITOR_ID_LOCATION_HINT = "locationhint";
constexpr const char* VISITOR_ID_MID = "mid";
constexpr const char* VISITOR_IDS_LAST_SYNC = "lastsync";
constexpr const char* VISITOR_IDS_LIST = "visitoridslist";
constexpr const char* ANALYTICS_ID = "AVID";
}  // namespace Identity

namespace Analytics {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.analytics";
constexpr const char* ANALYTICS_ID = "aid";
constexpr const char* VISITOR_IDENTIFIER = "vid";
constexpr const char* TRACK_INTERNAL = "trackinternal";
constexpr const char* TRACK_ACTION = "action";
constexpr const char* CONTEXT_DATA = "contextdata";
}  // namespace Analytics

namespace Configuration {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* GLOBAL_CONFIG_PRIVACY = "global.privacy";
constexpr const char* CONFIG_SKYLOOM_ORGID_KEY = "skyloom.org";
constexpr const char* CONFIG_SKYLOOM_SERVER_KEY = "skyloom.server";
constexpr const char* CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG = "config.update";
constexpr const char* CXM_CONFIG_SERVER = "audience.server";
}  // namespace Configuration

namespace Audience {
constexpr const char* OPTED_OUT_HIT_SENT = "optedouthitsent";
}  // namespace Audience
}  // namespace EventDataKeys

/** Names of the events the module sends. */
namespace EventNames {
constexpr const char* FORCED_SYNC = "id-construct-forced-sync";
constexpr const char* AVID_SYNC = "AVID Sync";
constexpr const char* UPDATED_IDENTITY_RESPONSE = "UPDATED_IDENTITY_RESPONSE";
constexpr const char* IDENTITY_RESPONSE_CONTENT_ONE_TIME = "IDENTITY_RESPONSE_CONTENT_ONE_TIME";
constexpr const char* IDENTITY_APPENDED_URL = "IDENTITY_APPENDED_URL";
constexpr const char* IDENTITY_URL_VARIABLES = "IDENTITY_URL_VARIABLES";
constexpr const char* IDENTITY_RESPONSE = "IDENTITY_RESPONSE";
constexpr const char* ANALYTICS_FOR_IDENTITY_REQUEST = "AnalyticsForIdentityRequest";
constexpr const char* CONFIGURATION_UPDATE_FROM_IDENTITY = "Configuration Update From Identity Module";
constexpr const char* IDENTITY_REQUEST_IDENTITY = "IdentityRequestIdentity";
}  // namespace EventNames

}  // namespace IdentityConstants

}  // namespace NuvraMobile
