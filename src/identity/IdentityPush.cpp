#include <string>

#include "core/values/EventData.h"
#include "identity/Identity.h"
#include "identity/IdentityDispatchers.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "util/Log.h"

// Push and advertising identifiers: the stored push digest, the push flag and its report to Analytics.

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;
namespace AnalyticsKeys = IdentityConstants::EventDataKeys::Analytics;
namespace StoreKeys = IdentityConstants::DataStoreKeys;

namespace {
constexpr const char* kNoStorage = "cannot update push flag without local storage service.";
}  // namespace

void Identity::UpdatePushIdentifier(const std::string& token) {
    pushIdentifier_ = token;
    if (!ProcessPushToken(token)) {
        Log::Debug(LOG_PREFIX,
                   "Provided push token matches existing push token. Push settings will not be re-sent to Analytics.");
        return;
    }
    if (token.empty() && IsPushEnabled()) {
        ChangePushStatusAndHitAnalytics(false);
    } else if (!token.empty() && !IsPushEnabled()) {
        ChangePushStatusAndHitAnalytics(true);
    }
}

bool Identity::ProcessPushToken(const std::string& token) {
    const auto store = GetIdentityDataStore();
    if (!store) {
        Log::Trace(LOG_PREFIX, kNoStorage);
        return false;
    }
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Error(LOG_PREFIX, "Failed to retrieve crypto service, platform services are not available");
    }
    const auto crypto = platformServices ? platformServices->GetCryptoService() : nullptr;
    if (!crypto) {
        Log::Trace(LOG_PREFIX, "crypto services is null.");
        return false;
    }
    const auto stored = store->GetString(StoreKeys::PUSH_IDENTIFIER, "");
    const auto digest = crypto->GetSha256Hash(token);
    if (digest == stored) {
        return false;
    }
    if (digest.empty()) {
        store->Remove(StoreKeys::PUSH_IDENTIFIER);
    } else {
        store->SetString(StoreKeys::PUSH_IDENTIFIER, digest);
    }
    return true;
}

bool Identity::IsPushEnabled() {
    const auto store = GetIdentityDataStore();
    if (!store) {
        Log::Trace(LOG_PREFIX, kNoStorage);
        return false;
    }
    pushEnabled_ = store->GetBoolean(StoreKeys::PUSH_ENABLED, false);
    return pushEnabled_;
}

bool Identity::SetPushEnabled(bool enabled) {
    const auto store = GetIdentityDataStore();
    if (!store) {
        Log::Trace(LOG_PREFIX, kNoStorage);
        return false;
    }
    store->SetBoolean(StoreKeys::PUSH_ENABLED, enabled);
    pushEnabled_ = enabled;
    return true;
}

void Identity::ChangePushStatusAndHitAnalytics(bool enabled) {
    if (!SetPushEnabled(enabled) || !analyticsDispatcher_) {
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutString(AnalyticsKeys::TRACK_ACTION, Keys::PUSH_ID_ENABLED_ACTION_NAME);
    data->PutStringMap(AnalyticsKeys::CONTEXT_DATA, {{Keys::EVENT_PUSH_STATUS, enabled ? "True" : "False"}});
    analyticsDispatcher_->DispatchAnalyticsEventWithEventData(data);
}

void Identity::UpdateAdvertisingIdentifier(const std::string& identifier) {
    advertisingIdentifier_ = identifier;
    SavePersistently();
}

}  // namespace NuvraMobile
