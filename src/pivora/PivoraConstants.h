#pragma once

#include <array>
#include <cstdint>
#include <utility>

namespace NuvraMobile {

/** The vocabulary of the personalisation module: stored keys, event-data keys, configuration keys. */
namespace PivoraConstants {

/** The module's shared-state name, also the tag of its log lines. */
constexpr const char* LOG_PREFIX = "com.nuvra.module.pivora";

constexpr const char* DATASTORE_KEY = "NUVRAMOBILE_PIVORA";
constexpr const char* QTX_ID = "QTX_ID";
constexpr const char* THIRD_PARTY_ID = "THIRD_PARTY_ID";
constexpr const char* EDGE_HOST = "EDGE_HOST";
constexpr const char* SESSION_ID = "SESSION_ID";
constexpr const char* SESSION_TIMESTAMP = "SESSION_TIMESTAMP";

constexpr int32_t DEFAULT_SESSION_TIMEOUT = 1800;
constexpr int32_t DEFAULT_CONNECTION_TIMEOUT_SEC = 5;
/** The longest configured request timeout used, as for postbacks. */
constexpr int32_t MAX_CONNECTION_TIMEOUT_SEC = 60;

/** The delivery URL: host, client code and session id, in that order. */
constexpr const char* PREFETCH_API_URL_BASE = "https://%s/rest/v1/delivery/?client=%s&sessionId=%s";
/** The default delivery host; "%s" takes the client code. */
constexpr const char* API_URL_HOST_BASE = "%s.pivora.nuvra.com";

/** Marks the mbox parameters of requests made through the profile-map form of a load. */
constexpr const char* OLD_API_COMPAT_PARAM = "__oldPivoraSdkApiCompatParam__";

/** Preview mode: the deep link's and the preview page's keys, and the page's own URL scheme. */
namespace Preview {
constexpr const char* TOKEN = "kw_preview_token";
constexpr const char* ENDPOINT = "kw_preview_endpoint";
constexpr const char* PARAMETERS = "kw_preview_params";
constexpr const char* SCHEME = "nvbinapp";
constexpr const char* HOST_CANCEL = "cancel";
constexpr const char* HOST_CONFIRM = "confirm";
constexpr const char* DEFAULT_ENDPOINT = "hal.pivora.nuvra.com";
}  // namespace Preview

/** Keys of the configuration shared state that the module reads. */
namespace ConfigKeys {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* CLIENT_CODE = "pivora.clientCode";
constexpr const char* SESSION_TIMEOUT = "pivora.sessionTimeout";
constexpr const char* TIMEOUT = "pivora.timeout";
constexpr const char* ENVIRONMENT_ID = "pivora.environmentId";
constexpr const char* PROPERTY_TOKEN = "pivora.propertyToken";
constexpr const char* PREVIEW_ENABLED = "pivora.previewEnabled";
constexpr const char* GLOBAL_PRIVACY = "global.privacy";
}  // namespace ConfigKeys

namespace EventDataKeys {
namespace Pivora {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.pivora";
constexpr const char* QTX_ID = "qtxid";
constexpr const char* THIRD_PARTY_ID = "thirdpartyid";

constexpr const char* MBOX_NAME = "mboxname";
constexpr const char* MBOX_NAMES = "mboxnames";
constexpr const char* MBOX_PARAMETERS = "mboxparameters";
constexpr const char* PROFILE_PARAMETERS = "profileparams";
constexpr const char* PRODUCT_PARAMETERS = "productparameters";
constexpr const char* ORDER_PARAMETERS = "orderparameters";
constexpr const char* PIVORA_PARAMETERS = "pivoraparams";
constexpr const char* BASE_CLASS = "baseclass";
constexpr const char* DEFAULT_CONTENT = "defaultcontent";
constexpr const char* RESPONSE_PAIR_ID = "responsepairid";

constexpr const char* LOAD_REQUESTS = "request";
constexpr const char* PREFETCH_REQUESTS = "prefetch";
constexpr const char* PREFETCH_VIEWS = "shouldprefetchviews";
constexpr const char* IS_LOCATION_DISPLAYED = "islocationdisplayed";
constexpr const char* IS_LOCATION_CLICKED = "islocationclicked";
constexpr const char* VIEW_NOTIFICATIONS = "viewnotifications";
constexpr const char* PROPERTY_TOKEN = "propertytoken";
constexpr const char* RESTART_DEEP_LINK = "restartdeeplink";
constexpr const char* RESET_EXPERIENCE = "resetexperience";
constexpr const char* CLEAR_PREFETCH_CACHE = "clearcache";
constexpr const char* DEEP_LINK = "deeplink";
constexpr const char* CACHE_ONLY = "cacheonly";

constexpr const char* MBOX_CONTENT = "content";
constexpr const char* PREFETCH_ERROR = "prefetcherror";
constexpr const char* PREFETCH_RESULT = "prefetchresult";
constexpr const char* PREFETCH_VIEWS_RESULT = "prefetchviews";
constexpr const char* PREVIEW_INITIATED = "ispreviewinitiated";

/** Keys of one view notification as the app describes it. */
constexpr const char* NOTIFICATION_ID = "id";
constexpr const char* NOTIFICATION_TYPE = "type";
constexpr const char* NOTIFICATION_TIMESTAMP = "timestamp";
constexpr const char* NOTIFICATION_TOKENS = "tokens";
constexpr const char* NOTIFICATION_VIEW_PARAMETERS = "viewparameters";
}  // namespace Pivora

namespace ProductKeys {
constexpr const char* ID = "id";
constexpr const char* CATEGORY_ID = "categoryId";
}  // namespace ProductKeys

namespace OrderKeys {
constexpr const char* ID = "id";
constexpr const char* TOTAL = "total";
constexpr const char* PURCHASED_PRODUCT_IDS = "purchasedProductIds";
}  // namespace OrderKeys

namespace Analytics {
constexpr const char* CONTEXT_DATA = "contextdata";
constexpr const char* ACTION = "action";
constexpr const char* TRACK_INTERNAL = "trackinternal";
constexpr const char* ACTION_ANALYTICS_FOR_PIVORA = "AnalyticsForPivora";
}  // namespace Analytics
}  // namespace EventDataKeys


}  // namespace PivoraConstants

/** The texts the module answers its callers with. */
namespace PivoraErrors {
constexpr const char* CONFIG_NULL = "Missing shared configuration state";
constexpr const char* NO_CLIENT_CODE = "Missing client code";
constexpr const char* OPTED_OUT = "Privacy status is opted out";
constexpr const char* PREFETCH_PREVIEW_MODE = "Pivora prefetch can't be used while in preview mode";
constexpr const char* NO_PREFETCH_REQUESTS = "Empty or null prefetch requests list";
constexpr const char* NO_CONNECTION = "Unable to open connection";
constexpr const char* RESPONSE_PARSER_INIT_FAILED = "Pivora response parser initialization failed";
constexpr const char* NULL_RESPONSE_JSON = "Null response Json";
constexpr const char* NO_PREFETCH_MBOXES = "No prefetch mbox content in Pivora response";
constexpr const char* NO_PREFETCH_VIEWS = "No prefetch view content in Pivora response";
constexpr const char* ERROR_RESPONSE = "Errors returned in Pivora response: ";
constexpr const char* PREFETCH_ERROR_RESPONSE = "Errors returned in prefetch response: ";
constexpr const char* NOTIFICATION_ERROR_TAG = "Notification";
constexpr const char* FAILED_TO_REGISTER_FOR_PREFETCH = "Failed to register the paired listener for prefetch";
}  // namespace PivoraErrors

}  // namespace NuvraMobile
