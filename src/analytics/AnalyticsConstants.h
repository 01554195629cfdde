#pragma once

#include <cstdint>

#include "identity/IdentityConstants.h"

namespace NuvraMobile {

/** The vocabulary of the Analytics module: names of states, keys of events, hits and stored values. */
namespace AnalyticsConstants {

constexpr const char* LOG_TAG = "com.nuvra.module.analytics";

constexpr const char* ANALYTICS_REQUEST_IGNORE_PAGE_NAME_KEY = "pe";
constexpr const char* IGNORE_PAGE_NAME_VALUE = "lnk_o";
constexpr const char* ANALYTICS_REQUEST_ACTION_NAME_KEY = "pev2";
constexpr const char* ACTION_PREFIX = "NMACTION:";
constexpr const char* INTERNAL_ACTION_PREFIX = "NVBINTERNAL:";
constexpr const char* ANALYTICS_REQUEST_PAGE_NAME_KEY = "pageName";
constexpr const char* ANALYTICS_REQUEST_ANALYTICS_ID_KEY = "aid";
constexpr const char* ANALYTICS_REQUEST_VISITOR_ID_KEY = "vid";
constexpr const char* ANALYTICS_REQUEST_CHARSET_KEY = "ce";
constexpr const char* ANALYTICS_REQUEST_FORMATTED_TIMESTAMP_KEY = "t";
constexpr const char* ANALYTICS_REQUEST_STRING_TIMESTAMP_KEY = "ts";
constexpr const char* ANALYTICS_REQUEST_CUSTOMER_PERSPECTIVE_KEY = "cp";
constexpr const char* APP_STATE_FOREGROUND = "foreground";
constexpr const char* APP_STATE_BACKGROUND = "background";
constexpr const char* ANALYTICS_REQUEST_CONTEXT_DATA_KEY = "c";
constexpr const char* ANALYTICS_REQUEST_DEBUG_KEY = "p";
constexpr const char* VAR_ESCAPE_PREFIX = "&&";
constexpr const char* ANALYTICS_REQUEST_PRIVACY_MODE_KEY = "a.privacy.mode";
constexpr const char* PRIVACY_MODE_UNKNOWN = "unknown";
constexpr const char* ANALYTICS_PARAMETER_KEY_MID = "mid";
constexpr const char* ANALYTICS_PARAMETER_KEY_BLOB = "cxmb";
constexpr const char* ANALYTICS_PARAMETER_KEY_LOCATION_HINT = "cxmlh";
constexpr const char* ANALYTICS_PARAMETER_KEY_ORG = "slorgid";
constexpr const char* AID_JSON_ID_KEY = "id";
/** Appended to a hit's body on send while the debug API is enabled. */
constexpr const char* DEBUG_API_PAYLOAD = "&p.&debug=true&.p";
constexpr const char* RESPONSE_TYPE_FORWARDING = "10";
constexpr const char* RESPONSE_TYPE_DEFAULT = "0";
constexpr const char* VERSION_UNKNOWN = "unknown";
constexpr const char* DATASTORE_NAME = "AnalyticsDataStorage";
constexpr const char* MOST_RECENT_HIT_TIMESTAMP_SECONDS = "mostRecentHitTimestampSeconds";

namespace Default {
constexpr std::int64_t DEFAULT_LIFECYCLE_RESPONSE_WAIT_TIMEOUT = 1000;
constexpr std::int64_t DEFAULT_LAUNCH_DEEPLINK_DATA_WAIT_TIMEOUT = 500;
}  // namespace Default

namespace ContextDataKeys {
constexpr const char* ACTION_KEY = "a.action";
constexpr const char* INTERNAL_ACTION_KEY = "a.internalaction";
constexpr const char* TIME_SINCE_LAUNCH_KEY = "a.TimeSinceLaunch";
constexpr const char* EVENT_IDENTIFIER_KEY = "a.DebugEventIdentifier";
constexpr const char* OPERATING_SYSTEM = "a.OSVersion";
constexpr const char* DEVICE_NAME = "a.DeviceName";
constexpr const char* DEVICE_RESOLUTION = "a.Resolution";
constexpr const char* CARRIER_NAME = "a.CarrierName";
constexpr const char* RUN_MODE = "a.RunMode";
constexpr const char* APPLICATION_IDENTIFIER = "a.AppID";
constexpr const char* REGION_ID = "a.loc.poi.id";
constexpr const char* REGION_NAME = "a.loc.poi";
}  // namespace ContextDataKeys

/** Shared-state names and the keys read from them. */
namespace SharedStateKeys {
constexpr const char* ANALYTICS = "com.nuvra.module.analytics";
constexpr const char* CONFIGURATION = "com.nuvra.module.configuration";
constexpr const char* IDENTITY = IdentityConstants::EventDataKeys::Identity::SHARED_STATE_NAME;
constexpr const char* LIFECYCLE = "com.nuvra.module.lifecycle";
constexpr const char* ACQUISITION = "com.nuvra.module.acquisition";
constexpr const char* PLACES = "com.nuvra.module.places";

namespace Configuration {
constexpr const char* ANALYTICS_CONFIG_AAMFORWARDING = "analytics.cxmForwardingEnabled";
constexpr const char* ANALYTICS_CONFIG_OFFLINE_TRACKING = "analytics.offlineEnabled";
constexpr const char* ANALYTICS_CONFIG_BATCH_LIMIT = "analytics.batchLimit";
constexpr const char* ANALYTICS_CONFIG_LAUNCH_HIT_DELAY = "analytics.launchHitDelay";
constexpr const char* ANALYTICS_CONFIG_BACKDATE_PREVIOUS_SESSION = "analytics.backdatePreviousSessionInfo";
constexpr const char* ANALYTICS_CONFIG_REPORT_SUITES = "analytics.rsids";
constexpr const char* ANALYTICS_CONFIG_SERVER = "analytics.server";
constexpr const char* ANALYTICS_CONFIG_DEBUG_API_ENABLED = "analytics.debugApiEnabled";
constexpr const char* GLENMOOR_ORG_ID = "skyloom.org";
constexpr const char* GLOBAL_CONFIG_PRIVACY = "global.privacy";
}  // namespace Configuration

/** The identity state's keys, as the identity service names them. */
namespace Identity = IdentityConstants::EventDataKeys::Identity;

namespace Lifecycle {
constexpr const char* LIFECYCLE_CONTEXT_DATA = "lifecyclecontextdata";
constexpr const char* OPERATING_SYSTEM = "osversion";
constexpr const char* DEVICE_NAME = "devicename";
constexpr const char* DEVICE_RESOLUTION = "resolution";
constexpr const char* CARRIER_NAME = "carriername";
constexpr const char* RUN_MODE = "runmode";
constexpr const char* APP_ID = "appid";
}  // namespace Lifecycle

namespace Places {
constexpr const char* CURRENT_POI = "currentpoi";
constexpr const char* REGION_ID = "regionid";
constexpr const char* REGION_NAME = "regionname";
}  // namespace Places
}  // namespace SharedStateKeys

/** Keys of the events the module hears and sends. */
namespace EventDataKeys {
namespace Analytics {
constexpr const char* TRACK_ACTION = "action";
constexpr const char* TRACK_STATE = "state";
constexpr const char* CONTEXT_DATA = "contextdata";
constexpr const char* TRACK_INTERNAL = "trackinternal";
constexpr const char* REQUEST_EVENT_IDENTIFIER = "requestEventIdentifier";
constexpr const char* FORCE_KICK_HITS = "forcekick";
constexpr const char* CLEAR_HITS_QUEUE = "clearhitsqueue";
constexpr const char* GET_QUEUE_SIZE = "getqueuesize";
constexpr const char* QUEUE_SIZE = "queuesize";
constexpr const char* ANALYTICS_ID = "aid";
constexpr const char* VISITOR_IDENTIFIER = "vid";
constexpr const char* ANALYTICS_SERVER_RESPONSE = "analyticsserverresponse";
constexpr const char* HEADERS_RESPONSE = "headers";
constexpr const char* HIT_HOST = "hitHost";
constexpr const char* HIT_URL = "hitUrl";
constexpr const char* RULES_CONSEQUENCE_TYPE_TRACK = "an";
constexpr const char* STATE_OWNER = "stateowner";
}  // namespace Analytics
namespace Lifecycle {
constexpr const char* LIFECYCLE_ACTION_KEY = "action";
constexpr const char* LIFECYCLE_START = "start";
constexpr const char* LIFECYCLE_PAUSE = "pause";
constexpr const char* SESSION_START_TIMESTAMP = "starttimestampseconds";
constexpr const char* MAX_SESSION_LENGTH = "maxsessionlength";
}  // namespace Lifecycle
}  // namespace EventDataKeys

}  // namespace AnalyticsConstants

}  // namespace NuvraMobile
