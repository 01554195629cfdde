#pragma once

#include <array>
#include <cstdint>

namespace NuvraMobile {

/** The keys of the delivery request and response bodies and of the mbox records the module keeps. */
namespace PivoraJson {

constexpr const char* ENVIRONMENT_ID = "environmentId";
constexpr const char* ID = "id";
constexpr const char* ID_QTX_ID = "qtxId";
constexpr const char* ID_THIRD_PARTY_ID = "thirdPartyId";
constexpr const char* ID_GLENMOOR_VISITOR_ID = "glenmoorVisitorId";
constexpr const char* ID_CUSTOMER_IDS = "customerIds";
constexpr const char* SKYLOOM = "skyloom";
constexpr const char* ANALYTICS = "analytics";
constexpr const char* ANALYTICS_LOGGING = "logging";
constexpr const char* ANALYTICS_CLIENT_SIDE = "client_side";
constexpr const char* ANALYTICS_PAYLOAD = "payload";
constexpr const char* COHORTIX = "cohortix";
constexpr const char* CONTEXT = "context";
constexpr const char* PREFETCH = "prefetch";
constexpr const char* EXECUTE = "execute";
constexpr const char* MBOXES = "mboxes";
constexpr const char* VIEWS = "views";
constexpr const char* VIEW = "view";
constexpr const char* NOTIFICATIONS = "notifications";
constexpr const char* PROPERTY = "property";
constexpr const char* TOKEN = "token";
constexpr const char* PARAMETERS = "parameters";
constexpr const char* PROFILE_PARAMETERS = "profileParameters";
constexpr const char* ORDER = "order";
constexpr const char* PRODUCT = "product";
constexpr const char* OPTIONS = "options";
constexpr const char* METRICS = "metrics";
constexpr const char* EDGE_HOST = "edgeHost";
constexpr const char* MESSAGE = "message";
constexpr const char* NOTIFICATION_ERRORS = "notificationErrors";
constexpr const char* ERROR_CODE = "errorCode";
constexpr const char* ERROR_CODE_TIME_OUT = "time_out";
constexpr const char* NOTIFICATION = "notification";

/** The keys a loaded-mbox record keeps of the delivered mbox. */
constexpr std::array<const char*, 2> LOADED_MBOX_KEYS = {"name", "metrics"};

namespace Context {
constexpr const char* CHANNEL = "channel";
constexpr const char* CHANNEL_MOBILE = "mobile";
constexpr const char* MOBILE_PLATFORM = "mobilePlatform";
constexpr const char* PLATFORM_TYPE = "platformType";
constexpr const char* DEVICE_NAME = "deviceName";
constexpr const char* DEVICE_TYPE = "deviceType";
constexpr const char* DEVICE_TYPE_PHONE = "phone";
constexpr const char* DEVICE_TYPE_TABLET = "tablet";
constexpr const char* DEVICE_TYPE_WATCH = "watch";
constexpr const char* DEVICE_TYPE_UNKNOWN = "unknown";
constexpr const char* APPLICATION = "application";
constexpr const char* APP_ID = "id";
constexpr const char* APP_NAME = "name";
constexpr const char* APP_VERSION = "version";
constexpr const char* SCREEN = "screen";
constexpr const char* SCREEN_WIDTH = "width";
constexpr const char* SCREEN_HEIGHT = "height";
constexpr const char* SCREEN_COLOR_DEPTH = "colorDepth";
constexpr const char* SCREEN_ORIENTATION = "orientation";
constexpr const char* ORIENTATION_PORTRAIT = "portrait";
constexpr const char* ORIENTATION_LANDSCAPE = "landscape";
constexpr const char* USER_AGENT = "userAgent";
constexpr const char* TIME_OFFSET = "timeOffsetInMinutes";
constexpr int32_t COLOR_DEPTH_32 = 32;
}  // namespace Context

namespace Mbox {
constexpr const char* INDEX = "index";
constexpr const char* NAME = "name";
constexpr const char* STATE = "state";
constexpr const char* ERROR_TYPE = "errorType";
constexpr const char* CONTENT = "content";
constexpr const char* KW_PROPERTY = "kw_property";
namespace Product {
constexpr const char* ID = "id";
constexpr const char* CATEGORY_ID = "categoryId";
}  // namespace Product
namespace Order {
constexpr const char* ID = "id";
constexpr const char* TOTAL = "total";
constexpr const char* PURCHASED_PRODUCT_IDS = "purchasedProductIds";
}  // namespace Order
}  // namespace Mbox
namespace Product = Mbox::Product;
namespace Order = Mbox::Order;

namespace CustomerIds {
constexpr const char* ID = "id";
constexpr const char* INTEGRATION_CODE = "integrationCode";
constexpr const char* AUTHENTICATION_STATE = "authenticatedState";
}  // namespace CustomerIds

namespace CXMParameters {
constexpr const char* BLOB = "blob";
constexpr const char* LOCATION_HINT = "locationHint";
}  // namespace CXMParameters

namespace Notification {
constexpr const char* ID = "id";
constexpr const char* TIMESTAMP = "timestamp";
constexpr const char* MBOX = "mbox";
constexpr const char* TOKENS = "tokens";
}  // namespace Notification

namespace Option {
constexpr const char* TYPE = "type";
constexpr const char* CONTENT = "content";
constexpr const char* EVENT_TOKEN = "eventToken";
constexpr const char* TYPE_HTML = "html";
constexpr const char* TYPE_JSON = "json";
}  // namespace Option

namespace Metric {
constexpr const char* TYPE = "type";
constexpr const char* EVENT_TOKEN = "eventToken";
}  // namespace Metric

namespace MetricType {
constexpr const char* DISPLAY = "display";
constexpr const char* CLICK = "click";
}  // namespace MetricType

}  // namespace PivoraJson

}  // namespace NuvraMobile
