#include "pivora/PivoraRequestBuilder.h"

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "pivora/PivoraConstants.h"
#include "pivora/PivoraJson.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"
#include "pivora/PivoraPreviewManager.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "shared/VisitorId.h"
#include "util/Log.h"
#include "util/StringUtils.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {

namespace Json = PivoraJson;
namespace Keys = PivoraConstants::EventDataKeys::Pivora;
using PivoraConstants::LOG_PREFIX;

PivoraRequestBuilder::PivoraRequestBuilder(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                                           std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                                           std::shared_ptr<PivoraPreviewManager> previewManager)
    : jsonUtilityService_(std::move(jsonUtilityService)),
      systemInfoService_(std::move(systemInfoService)),
      previewManager_(std::move(previewManager)) {}

void PivoraRequestBuilder::SetIdentityParameters(const std::string& visitorId, const std::string& blob,
                                                 const std::string& locationHint,
                                                 const std::vector<std::shared_ptr<VisitorId>>& customerVisitorIds) {
    visitorId_ = visitorId;
    blob_ = blob;
    locationHint_ = locationHint;
    customerVisitorIds_ = customerVisitorIds;
}

void PivoraRequestBuilder::SetConfigParameters(int64_t environmentId) { environmentId_ = environmentId; }

void PivoraRequestBuilder::SetLifecycleParameters(const StringMap& lifecycleData) {
    // Made once here and shared by the "parameters" of every object of the following bodies.
    lifecycleData_.clear();
    for (const auto& [key, value] : lifecycleData) {
        if (!key.empty()) {
            lifecycleData_.emplace_hint(lifecycleData_.end(), key, Variant::FromString(value));
        }
    }
}

void PivoraRequestBuilder::SetPivoraInternalParameters(const std::string& /*clientCode*/, const std::string& qtxId,
                                                       const std::string& thirdPartyId) {
    qtxId_ = qtxId;
    thirdPartyId_ = thirdPartyId;
}

void PivoraRequestBuilder::ClearProperties() {
    thirdPartyId_.clear();
    qtxId_.clear();
    visitorId_.clear();
    blob_.clear();
    locationHint_.clear();
    customerVisitorIds_.clear();
    lifecycleData_.clear();
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetRequestPayload(
    const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
    const std::vector<std::shared_ptr<PivoraRequest>>& requestList, bool prefetchViews,
    const std::shared_ptr<PivoraParameters>& parameters, const JsonObjects& notifications,
    const std::string& propertyToken) {
    auto body = GetDefaultJsonObject();
    // Each block present replaces the candidate token, so the last block's "kw_property" is the one kept.
    std::string candidateToken;
    if (!prefetchList.empty()) {
        auto mboxes = GetPrefetchMboxes(prefetchList, parameters);
        candidateToken = RemoveKWPropertyFromParameters(mboxes);
        body->PutJsonObject(Json::PREFETCH, jsonUtilityService_->CreateEmptyJsonObject()->PutJsonArray(Json::MBOXES, mboxes));
    }
    if (prefetchViews) {
        auto views = GetPrefetchViews(parameters);
        candidateToken = RemoveKWPropertyFromParameters(views);
        auto prefetch = body->OptJsonObject(Json::PREFETCH);
        if (!prefetch) {
            prefetch = jsonUtilityService_->CreateEmptyJsonObject();
        }
        body->PutJsonObject(Json::PREFETCH, prefetch->PutJsonArray(Json::VIEWS, views));
    }
    if (!notifications.empty()) {
        auto array = jsonUtilityService_->CreateEmptyJsonArray();
        for (const auto& notification : notifications) {
            array->PutJsonObject(notification);
        }
        candidateToken = RemoveKWPropertyFromParameters(array);
        body->PutJsonArray(Json::NOTIFICATIONS, array);
    }
    if (!requestList.empty()) {
        auto mboxes = GetExecuteMboxes(requestList, parameters);
        candidateToken = RemoveKWPropertyFromParameters(mboxes);
        body->PutJsonObject(Json::EXECUTE, jsonUtilityService_->CreateEmptyJsonObject()->PutJsonArray(Json::MBOXES, mboxes));
    }
    const std::string& token = propertyToken.empty() ? candidateToken : propertyToken;
    if (!token.empty()) {
        body->PutJsonObject(Json::PROPERTY, jsonUtilityService_->CreateEmptyJsonObject()->PutString(Json::TOKEN, token));
    }
    return AddPreviewParameters(body);
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetDefaultJsonObject() {
    auto body = jsonUtilityService_->CreateEmptyJsonObject();
    if (environmentId_ != 0) {
        body->PutLong(Json::ENVIRONMENT_ID, environmentId_);
    }
    auto id = jsonUtilityService_->CreateEmptyJsonObject();
    if (!qtxId_.empty()) {
        id->PutString(Json::ID_QTX_ID, qtxId_);
    }
    if (!thirdPartyId_.empty()) {
        id->PutString(Json::ID_THIRD_PARTY_ID, thirdPartyId_);
    }
    if (!visitorId_.empty()) {
        id->PutString(Json::ID_GLENMOOR_VISITOR_ID, visitorId_);
    }
    if (!customerVisitorIds_.empty()) {
        id->PutJsonArray(Json::ID_CUSTOMER_IDS, GetCustomerIds());
    }
    if (id->Length() > 0) {
        body->PutJsonObject(Json::ID, id);
    }
    body->PutJsonObject(Json::SKYLOOM, GetSkyloomObject());
    body->PutJsonObject(Json::CONTEXT, GetContextObject());
    return body;
}

std::shared_ptr<JsonArray> PivoraRequestBuilder::GetCustomerIds() {
    auto array = jsonUtilityService_->CreateEmptyJsonArray();
    for (const auto& visitorId : customerVisitorIds_) {
        if (!visitorId) {
            continue;
        }
        auto customerId = jsonUtilityService_->CreateEmptyJsonObject();
        customerId->PutString(Json::CustomerIds::ID, visitorId->GetId());
        customerId->PutString(Json::CustomerIds::INTEGRATION_CODE, visitorId->GetIdType());
        customerId->PutString(Json::CustomerIds::AUTHENTICATION_STATE,
                              AuthenticationStateToString(visitorId->GetAuthenticationState()));
        array->PutJsonObject(customerId);
    }
    return array;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetSkyloomObject() {
    auto skyloom = jsonUtilityService_->CreateEmptyJsonObject();
    skyloom->PutJsonObject(Json::ANALYTICS, jsonUtilityService_->CreateEmptyJsonObject()->PutString(
                                                Json::ANALYTICS_LOGGING, Json::ANALYTICS_CLIENT_SIDE));
    auto cohortix = jsonUtilityService_->CreateEmptyJsonObject();
    if (!blob_.empty()) {
        cohortix->PutString(Json::CXMParameters::BLOB, blob_);
    }
    if (!locationHint_.empty()) {
        cohortix->PutString(Json::CXMParameters::LOCATION_HINT, locationHint_);
    }
    if (cohortix->Length() > 0) {
        skyloom->PutJsonObject(Json::COHORTIX, cohortix);
    }
    return skyloom;
}

namespace {

const char* DeviceTypeName(DeviceType deviceType) {
    switch (static_cast<int32_t>(deviceType)) {
        case 0:
            return Json::Context::DEVICE_TYPE_PHONE;
        case 1:
            return Json::Context::DEVICE_TYPE_TABLET;
        case 2:
            return Json::Context::DEVICE_TYPE_WATCH;
        default:
            return Json::Context::DEVICE_TYPE_UNKNOWN;
    }
}

/**
 * True when the member is text, which goes to `out`. Parameter objects hold only text, so this finds
 * every "kw_property" without the cost of an exception for the objects that have none.
 */
bool ReadText(const JsonObject& object, const char* key, std::string& out) {
    out = object.OptString(key, "a");
    return out == object.OptString(key, "b");
}

void PutIfNotEmpty(JsonObject& object, const char* key, const std::string& value) {
    if (!value.empty()) {
        object.PutString(key, value);
    }
}

}  // namespace

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetContextObject() {
    namespace Context = Json::Context;
    auto context = jsonUtilityService_->CreateEmptyJsonObject();
    context->PutString(Context::CHANNEL, Context::CHANNEL_MOBILE);
    auto platform = jsonUtilityService_->CreateEmptyJsonObject();
    auto application = jsonUtilityService_->CreateEmptyJsonObject();
    auto screen = jsonUtilityService_->CreateEmptyJsonObject();
    const auto& system = systemInfoService_;
    platform->PutString(Context::PLATFORM_TYPE, system ? system->GetCanonicalPlatformName() : "");
    platform->PutString(Context::DEVICE_NAME, system ? system->GetDeviceName() : "");
    platform->PutString(Context::DEVICE_TYPE,
                        system ? DeviceTypeName(system->GetDeviceType()) : Context::DEVICE_TYPE_UNKNOWN);
    if (system) {
        PutIfNotEmpty(*application, Context::APP_ID, StringUtils::ToLower(system->GetApplicationBundleId()));
        PutIfNotEmpty(*application, Context::APP_NAME, system->GetApplicationName());
        PutIfNotEmpty(*application, Context::APP_VERSION, system->GetApplicationVersion());
        if (const auto display = system->GetDisplayInformation()) {
            screen->PutInt(Context::SCREEN_WIDTH, display->GetWidthPixels());
            screen->PutInt(Context::SCREEN_HEIGHT, display->GetHeightPixels());
        }
        switch (static_cast<int32_t>(system->GetCurrentOrientation())) {
            case 0:
                screen->PutString(Context::SCREEN_ORIENTATION, Context::ORIENTATION_PORTRAIT);
                break;
            case 1:
                screen->PutString(Context::SCREEN_ORIENTATION, Context::ORIENTATION_LANDSCAPE);
                break;
            default:
                break;
        }
        PutIfNotEmpty(*context, Context::USER_AGENT, system->GetDefaultUserAgent());
    }
    screen->PutInt(Context::SCREEN_COLOR_DEPTH, Context::COLOR_DEPTH_32);
    context->PutJsonObject(Context::MOBILE_PLATFORM, platform);
    context->PutJsonObject(Context::APPLICATION, application);
    context->PutJsonObject(Context::SCREEN, screen);
    context->PutInt(Context::TIME_OFFSET, GetLocalTimeOffsetInMinutes());
    return context;
}

int32_t PivoraRequestBuilder::GetLocalTimeOffsetInMinutes() {
    // The date's "%z" suffix, for example "+0130" or "-0500".
    const std::string date = TimeUtils::GetIso8601Date();
    if (date.size() < 5) {
        return 0;
    }
    const std::string zone = date.substr(date.size() - 5);
    if ((zone[0] != '+' && zone[0] != '-') || zone.find_first_not_of("0123456789", 1) != std::string::npos) {
        return 0;
    }
    const int32_t minutes = std::stoi(zone.substr(1, 2)) * 60 + std::stoi(zone.substr(3, 2));
    return zone[0] == '-' ? -minutes : minutes;
}

template <typename MboxObject>
std::shared_ptr<JsonArray> PivoraRequestBuilder::CreateMboxArray(const std::vector<std::shared_ptr<MboxObject>>& list,
                                                                 const std::shared_ptr<PivoraParameters>& parameters) {
    auto array = jsonUtilityService_->CreateEmptyJsonArray();
    int32_t index = 0;
    for (const auto& mbox : list) {
        if (mbox) {
            array->PutJsonObject(CreateMboxJsonObject(*mbox, index++, parameters));
        }
    }
    return array;
}

std::shared_ptr<JsonArray> PivoraRequestBuilder::GetPrefetchMboxes(
    const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
    const std::shared_ptr<PivoraParameters>& parameters) {
    return CreateMboxArray(prefetchList, parameters);
}

std::shared_ptr<JsonArray> PivoraRequestBuilder::GetExecuteMboxes(
    const std::vector<std::shared_ptr<PivoraRequest>>& requestList,
    const std::shared_ptr<PivoraParameters>& parameters) {
    return CreateMboxArray(requestList, parameters);
}

std::shared_ptr<JsonArray> PivoraRequestBuilder::GetPrefetchViews(const std::shared_ptr<PivoraParameters>& parameters) {
    auto view = jsonUtilityService_->CreateEmptyJsonObject();
    SetPivoraParametersJson(view, parameters);
    return jsonUtilityService_->CreateEmptyJsonArray()->PutJsonObject(view);
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::CreateMboxJsonObject(
    const PivoraObject& mbox, int32_t index, const std::shared_ptr<PivoraParameters>& parameters) {
    auto object = jsonUtilityService_->CreateEmptyJsonObject();
    if (index != -1) {
        object->PutInt(Json::Mbox::INDEX, index);
    }
    object->PutString(Json::Mbox::NAME, mbox.GetName());
    std::vector<std::shared_ptr<PivoraParameters>> bundles;
    if (mbox.GetPivoraParameters()) {
        bundles.push_back(mbox.GetPivoraParameters());
    }
    if (parameters) {
        bundles.push_back(parameters);
    }
    SetPivoraParametersJson(object, PivoraParameters::Merge(bundles));
    return object;
}

void PivoraRequestBuilder::SetPivoraParametersJson(const std::shared_ptr<JsonObject>& target,
                                                   const std::shared_ptr<PivoraParameters>& parameters) {
    if (!parameters) {
        return;
    }
    const auto mboxParameters = GetMboxParameters(parameters->GetMboxParameters());
    if (mboxParameters->Length() > 0) {
        target->PutJsonObject(Json::PARAMETERS, mboxParameters);
    }
    if (!parameters->GetProfileParameters().empty()) {
        target->PutJsonObject(Json::PROFILE_PARAMETERS,
                              jsonUtilityService_->CreateJsonObject(parameters->GetProfileParameters()));
    }
    const auto order = GetOrderParameters(parameters);
    if (order && order->Length() > 0) {
        target->PutJsonObject(Json::ORDER, order);
    }
    const auto product = GetProductParameters(parameters);
    if (product && product->Length() > 0) {
        target->PutJsonObject(Json::PRODUCT, product);
    }
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetMboxParameters(const StringMap& mboxParameters) {
    // The lifecycle entries win over mbox parameters of the same name.
    std::map<std::string, std::shared_ptr<Variant>> parameters = lifecycleData_;
    for (const auto& [key, value] : mboxParameters) {
        parameters.emplace(key, Variant::FromString(value));
    }
    parameters.erase(PivoraConstants::OLD_API_COMPAT_PARAM);
    return jsonUtilityService_->CreateJsonObject(parameters);
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetOrderParameters(
    const std::shared_ptr<PivoraParameters>& parameters) {
    const auto& order = parameters->GetOrder();
    if (!order) {
        return nullptr;
    }
    auto object = jsonUtilityService_->CreateEmptyJsonObject();
    PutIfNotEmpty(*object, Json::Mbox::Order::ID, order->GetOrderId());
    if (order->GetTotal() > 0.0) {
        object->PutDouble(Json::Mbox::Order::TOTAL, order->GetTotal());
    }
    const auto& productIds = order->GetPurchasedProductIds();
    if (productIds.empty()) {
        Log::Debug(LOG_PREFIX,
                   "Failed to extract the purchasedProductIds parameters, should be array of strings, ignored...");
        return object;
    }
    auto array = jsonUtilityService_->CreateEmptyJsonArray();
    for (const auto& productId : productIds) {
        std::string text;
        if (productId && productId->GetKind() == VariantKind::VARIANT_STRING && productId->GetString(text) &&
            !text.empty()) {
            array->PutString(text);
        }
    }
    object->PutJsonArray(Json::Mbox::Order::PURCHASED_PRODUCT_IDS, array);
    return object;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetProductParameters(
    const std::shared_ptr<PivoraParameters>& parameters) {
    const auto& product = parameters->GetProduct();
    if (!product) {
        return nullptr;
    }
    auto object = jsonUtilityService_->CreateEmptyJsonObject();
    PutIfNotEmpty(*object, Json::Mbox::Product::ID, product->GetProductId());
    PutIfNotEmpty(*object, Json::Mbox::Product::CATEGORY_ID, product->GetCategoryId());
    return object;
}

std::string PivoraRequestBuilder::RemoveKWPropertyFromParameters(const std::shared_ptr<JsonArray>& array) {
    // Only the elements that carry the property are rewritten; the others stay as they are.
    std::string found;
    for (uint32_t index = 0; index < array->Length(); ++index) {
        auto element = array->OptJsonObject(index);
        if (!element) {
            continue;
        }
        const auto parameters = element->OptJsonObject(Json::PARAMETERS);
        std::string property;
        if (parameters && ReadText(*parameters, Json::Mbox::KW_PROPERTY, property)) {
            if (found.empty()) {
                found = property;
            }
            parameters->Remove(Json::Mbox::KW_PROPERTY);
            if (parameters->Length() == 0) {
                element->Remove(Json::PARAMETERS);
            } else {
                element->PutJsonObject(Json::PARAMETERS, parameters);
            }
            array->PutJsonObject(index, element);
        }
    }
    return found;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::AddPreviewParameters(const std::shared_ptr<JsonObject>& body) {
    if (!previewManager_) {
        return body;
    }
    const std::string previewParameters = previewManager_->GetPreviewParameters();
    if (previewParameters.empty() || previewManager_->GetPreviewToken().empty()) {
        return body;
    }
    TryCatch(
        [&] {
            const auto preview = jsonUtilityService_->CreateJsonObject(previewParameters);
            std::vector<std::string> keys;
            preview->Keys(keys);
            for (const auto& key : keys) {
                body->PutJsonObject(key, preview->GetJsonObject(key));
            }
        },
        [&](SdkError& error) {
            Log::Debug(LOG_PREFIX, "Failed to append the pivora preview params \n%s \nError - %s %s", previewParameters,
                       error.GetCode(), error.GetMessage());
        });
    return body;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::CreateNotification(
    const std::string& notificationId, int64_t timestamp, const char* type,
    const std::shared_ptr<PivoraParameters>& parameters) {
    auto notification = jsonUtilityService_->CreateEmptyJsonObject();
    notification->PutString(Json::Notification::ID, notificationId);
    notification->PutLong(Json::Notification::TIMESTAMP, timestamp);
    notification->PutString(Json::Metric::TYPE, type);
    SetPivoraParametersJson(notification, parameters);
    return notification;
}

std::shared_ptr<JsonArray> PivoraRequestBuilder::ToJsonArray(const std::vector<std::string>& texts) {
    auto array = jsonUtilityService_->CreateEmptyJsonArray();
    for (const auto& text : texts) {
        array->PutString(text);
    }
    return array;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetDisplayNotificationJsonObject(
    const std::string& mboxName, const std::shared_ptr<JsonObject>& mbox,
    const std::shared_ptr<PivoraParameters>& parameters, const std::string& notificationId, int64_t timestamp) {
    if (mboxName.empty() || !mbox) {
        return nullptr;
    }
    const auto tokens = GetOptionEventTokens(mbox);
    if (tokens.empty()) {
        Log::Debug(LOG_PREFIX, "Unable to create display notification as token is null or empty");
        return nullptr;
    }
    auto notification = CreateNotification(notificationId, timestamp, Json::MetricType::DISPLAY, parameters);
    auto mboxObject = jsonUtilityService_->CreateEmptyJsonObject();
    mboxObject->PutString(Json::Mbox::NAME, mboxName);
    PutIfNotEmpty(*mboxObject, Json::Mbox::STATE, mbox->OptString(Json::Mbox::STATE, ""));
    notification->PutJsonObject(Json::Notification::MBOX, mboxObject);
    notification->PutJsonArray(Json::Notification::TOKENS, ToJsonArray(tokens));
    return notification;
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::GetClickNotificationJsonObject(
    const std::shared_ptr<JsonObject>& mbox, const std::shared_ptr<PivoraParameters>& parameters,
    const std::string& notificationId, int64_t timestamp) {
    if (!mbox) {
        return nullptr;
    }
    const std::string name = mbox->OptString(Json::Mbox::NAME, "");
    if (name.empty()) {
        Log::Debug(LOG_PREFIX, "Unable to create click notification as the mbox has no name");
        return nullptr;
    }
    auto notification = CreateNotification(notificationId, timestamp, Json::MetricType::CLICK, parameters);
    notification->PutJsonObject(Json::Notification::MBOX,
                                jsonUtilityService_->CreateEmptyJsonObject()->PutString(Json::Mbox::NAME, name));
    const auto tokens = GetMetricEventTokens(mbox, Json::MetricType::CLICK);
    if (!tokens.empty()) {
        notification->PutJsonArray(Json::Notification::TOKENS, ToJsonArray(tokens));
    }
    return notification;
}

std::vector<std::string> PivoraRequestBuilder::GetOptionEventTokens(const std::shared_ptr<JsonObject>& mbox) {
    std::vector<std::string> tokens;
    const auto options = mbox->OptJsonArray(Json::OPTIONS);
    for (uint32_t index = 0; options && index < options->Length(); ++index) {
        if (const auto option = options->OptJsonObject(index)) {
            const std::string token = option->OptString(Json::Option::EVENT_TOKEN, "");
            if (!token.empty()) {
                tokens.push_back(token);
            }
        }
    }
    return tokens;
}

std::vector<std::string> PivoraRequestBuilder::GetMetricEventTokens(const std::shared_ptr<JsonObject>& mbox,
                                                                    const std::string& metricType) {
    std::vector<std::string> tokens;
    const auto metrics = mbox->OptJsonArray(Json::METRICS);
    for (uint32_t index = 0; metrics && index < metrics->Length(); ++index) {
        if (const auto metric = metrics->OptJsonObject(index)) {
            const std::string token = metric->OptString(Json::Metric::EVENT_TOKEN, "");
            if (!token.empty() && metric->OptString(Json::Metric::TYPE, "") == metricType) {
                tokens.push_back(token);
            }
        }
    }
    return tokens;
}

namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

std::shared_ptr<Variant> Find(const VariantMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? nullptr : found->second;
}

std::string TextOf(const VariantMap& map, const char* key) {
    std::string text;
    if (const auto value = Find(map, key)) {
        value->GetString(text);
    }
    return text;
}

std::vector<std::string> NonEmptyTexts(const VariantMap& map, const char* key) {
    std::vector<std::string> texts;
    std::vector<std::shared_ptr<Variant>> elements;
    const auto value = Find(map, key);
    if (value && value->GetVariantVector(elements)) {
        for (const auto& element : elements) {
            std::string text;
            if (element->GetString(text) && !text.empty()) {
                texts.push_back(std::move(text));
            }
        }
    }
    return texts;
}

std::map<std::string, std::string> StringsOf(const VariantMap& map, const char* key) {
    std::map<std::string, std::string> strings;
    if (const auto value = Find(map, key)) {
        value->GetStringMap(strings);
    }
    return strings;
}

}  // namespace

bool PivoraRequestBuilder::IsValidViewNotification(const VariantMap& notification) {
    const std::string type = TextOf(notification, Keys::NOTIFICATION_TYPE);
    int64_t timestamp = 0;
    const auto timestampValue = Find(notification, Keys::NOTIFICATION_TIMESTAMP);
    return !TextOf(notification, Keys::NOTIFICATION_ID).empty() &&
           (type == Json::MetricType::CLICK || type == Json::MetricType::DISPLAY) &&
           !StringsOf(notification, Keys::NOTIFICATION_VIEW_PARAMETERS).empty() &&
           timestampValue && timestampValue->GetLong(timestamp) && timestamp != 0 &&
           !NonEmptyTexts(notification, Keys::NOTIFICATION_TOKENS).empty();
}

std::shared_ptr<JsonObject> PivoraRequestBuilder::ToViewNotification(const VariantMap& entry) {
    int64_t timestamp = 0;
    Find(entry, Keys::NOTIFICATION_TIMESTAMP)->GetLong(timestamp);
    auto notification = jsonUtilityService_->CreateEmptyJsonObject();
    notification->PutJsonArray(Json::Notification::TOKENS, ToJsonArray(NonEmptyTexts(entry, Keys::NOTIFICATION_TOKENS)));
    notification->PutString(Json::Notification::ID, TextOf(entry, Keys::NOTIFICATION_ID));
    notification->PutString(Json::Metric::TYPE, TextOf(entry, Keys::NOTIFICATION_TYPE));
    notification->PutLong(Json::Notification::TIMESTAMP, timestamp);
    notification->PutJsonObject(
        Json::VIEW, jsonUtilityService_->CreateJsonObject(StringsOf(entry, Keys::NOTIFICATION_VIEW_PARAMETERS)));
    SetPivoraParametersJson(notification, PivoraObject::ReadSeparateParameters(entry));
    return notification;
}

PivoraRequestBuilder::JsonObjects PivoraRequestBuilder::GetViewNotifications(
    const std::vector<std::shared_ptr<Variant>>& viewNotifications) {
    JsonObjects notifications;
    for (const auto& viewNotification : viewNotifications) {
        VariantMap entry;
        if (!viewNotification || !viewNotification->GetVariantMap(entry)) {
            continue;
        }
        if (!IsValidViewNotification(entry)) {
            Log::Debug(LOG_PREFIX,
                       "Notification was dropped because of missing required parameters (id, type, timestamp, "
                       "tokens or view parameters)");
            continue;
        }
        notifications.push_back(ToViewNotification(entry));
    }
    return notifications;
}

}  // namespace NuvraMobile
