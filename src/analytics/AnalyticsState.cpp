#include "analytics/AnalyticsState.h"

#include <utility>
#include <vector>

#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsRequestSerializer.h"
#include "core/values/EventData.h"
#include "shared/UrlBuilder.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace StateKeys = AnalyticsConstants::SharedStateKeys;
namespace ConfigKeys = AnalyticsConstants::SharedStateKeys::Configuration;
namespace LifecycleKeys = AnalyticsConstants::SharedStateKeys::Lifecycle;
namespace PlacesKeys = AnalyticsConstants::SharedStateKeys::Places;
namespace ContextKeys = AnalyticsConstants::ContextDataKeys;
namespace IdentityKeys = AnalyticsConstants::SharedStateKeys::Identity;

namespace {

/** Overwrites `field` only with a string actually present under `key`. */
void ReadString(const EventData& data, const char* key, std::string& field) { data.GetString(key, field); }

}  // namespace

AnalyticsState::AnalyticsState(const std::map<std::string, std::shared_ptr<EventData>>& sharedStates)
    : requestSerializer_(std::make_shared<AnalyticsRequestSerializer>()) {
    using Extractor = void (AnalyticsState::*)(const std::shared_ptr<EventData>&);
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static const auto& kExtractors = *new std::map<std::string, Extractor>{
        {StateKeys::CONFIGURATION, &AnalyticsState::ExtractConfigurationInfo},
        {StateKeys::IDENTITY, &AnalyticsState::ExtractIdentityInfo},
        {StateKeys::LIFECYCLE, &AnalyticsState::ExtractLifecycleInfo},
        {StateKeys::PLACES, &AnalyticsState::ExtractPlacesInfo},
    };
    for (const auto& [name, data] : sharedStates) {
        const auto extractor = kExtractors.find(name);
        if (extractor != kExtractors.end()) {
            (this->*(extractor->second))(data);
        }
    }
}

void AnalyticsState::ExtractConfigurationInfo(const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(LOG_TAG, "Failed to extract configuration data (event data was null");
        return;
    }
    ReadString(*data, ConfigKeys::ANALYTICS_CONFIG_SERVER, host_);
    ReadString(*data, ConfigKeys::ANALYTICS_CONFIG_REPORT_SUITES, rsids_);
    analyticsForwardingEnabled_ = data->OptBoolean(ConfigKeys::ANALYTICS_CONFIG_AAMFORWARDING, false);
    offlineEnabled_ = data->OptBoolean(ConfigKeys::ANALYTICS_CONFIG_OFFLINE_TRACKING, false);
    batchLimit_ = data->OptInteger(ConfigKeys::ANALYTICS_CONFIG_BATCH_LIMIT, 0);
    launchHitDelay_ = data->OptLong(ConfigKeys::ANALYTICS_CONFIG_LAUNCH_HIT_DELAY, 0);
    ReadString(*data, ConfigKeys::GLENMOOR_ORG_ID, glenmoorOrganizationId_);
    backdateSessionInfoEnabled_ = data->OptBoolean(ConfigKeys::ANALYTICS_CONFIG_BACKDATE_PREVIOUS_SESSION, false);
    privacyStatus_ = PrivacyStatusInConfiguration(data).value_or(MobilePrivacyStatus::OPT_IN);
    debugApiEnabled_ = data->OptBoolean(ConfigKeys::ANALYTICS_CONFIG_DEBUG_API_ENABLED, false);
}

void AnalyticsState::ExtractIdentityInfo(const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(LOG_TAG, "Failed to extract identity data (event data was null");
        return;
    }
    ReadString(*data, IdentityKeys::VISITOR_ID_MID, glenmoorId_);
    ReadString(*data, IdentityKeys::VISITOR_ID_BLOB, blob_);
    ReadString(*data, IdentityKeys::VISITOR_ID_LOCATION_HINT, locationHint_);
    ReadString(*data, IdentityKeys::ADVERTISING_IDENTIFIER, advertisingId_);
    if (data->ContainsKey(IdentityKeys::VISITOR_IDS_LIST)) {
        const auto visitorIds = data->GetTypedVector<VisitorId>(IdentityKeys::VISITOR_IDS_LIST);
        if (visitorIds.HasValue()) {
            serializedVisitorIdsList_ = requestSerializer_->GenerateAnalyticsCustomerIdString(visitorIds.Value());
        }
    }
}

void AnalyticsState::ExtractLifecycleInfo(const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(LOG_TAG, "Failed to extract lifecycle data (event data was null");
        return;
    }
    static const std::pair<const char*, const char*> kDefaultDataKeys[] = {
        {LifecycleKeys::OPERATING_SYSTEM, ContextKeys::OPERATING_SYSTEM},
        {LifecycleKeys::DEVICE_NAME, ContextKeys::DEVICE_NAME},
        {LifecycleKeys::DEVICE_RESOLUTION, ContextKeys::DEVICE_RESOLUTION},
        {LifecycleKeys::CARRIER_NAME, ContextKeys::CARRIER_NAME},
        {LifecycleKeys::RUN_MODE, ContextKeys::RUN_MODE},
        {LifecycleKeys::APP_ID, ContextKeys::APPLICATION_IDENTIFIER},
    };
    std::map<std::string, std::string> lifecycleData;
    data->GetStringMap(LifecycleKeys::LIFECYCLE_CONTEXT_DATA, lifecycleData);
    for (const auto& [lifecycleKey, hitKey] : kDefaultDataKeys) {
        const auto found = lifecycleData.find(lifecycleKey);
        if (found != lifecycleData.end()) {
            defaultData_[hitKey] = found->second;
        }
    }
    const auto appId = lifecycleData.find(LifecycleKeys::APP_ID);
    if (appId != lifecycleData.end()) {
        applicationId_ = appId->second;
    }
}

void AnalyticsState::ExtractPlacesInfo(const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(LOG_TAG, "Failed to extract places data (event data was null");
        return;
    }
    std::map<std::string, std::string> poi;
    data->GetStringMap(PlacesKeys::CURRENT_POI, poi);
    const auto regionId = poi.find(PlacesKeys::REGION_ID);
    if (regionId != poi.end()) {
        defaultData_[ContextKeys::REGION_ID] = regionId->second;
    }
    const auto regionName = poi.find(PlacesKeys::REGION_NAME);
    if (regionName != poi.end()) {
        defaultData_[ContextKeys::REGION_NAME] = regionName->second;
    }
}

std::map<std::string, std::string> AnalyticsState::GetAnalyticsIdVisitorParameters() const {
    std::map<std::string, std::string> parameters;
    if (glenmoorId_.empty()) {
        return parameters;
    }
    parameters[AnalyticsConstants::ANALYTICS_PARAMETER_KEY_MID] = glenmoorId_;
    if (!blob_.empty()) {
        parameters[AnalyticsConstants::ANALYTICS_PARAMETER_KEY_BLOB] = blob_;
    }
    if (!locationHint_.empty()) {
        parameters[AnalyticsConstants::ANALYTICS_PARAMETER_KEY_LOCATION_HINT] = locationHint_;
    }
    return parameters;
}

std::string AnalyticsState::GetBaseUrl(const std::string& version) const {
    return UrlBuilder()
        .EnableSsl(true)
        .SetHost(host_)
        .AddPath("b")
        .AddPath("ss")
        .AddPath(rsids_)
        .AddPath(GetAnalyticsResponseType())
        .AddPath(version)
        .AddPath("s")
        .Build();
}

std::string AnalyticsState::GetAnalyticsResponseType() const {
    return analyticsForwardingEnabled_ ? AnalyticsConstants::RESPONSE_TYPE_FORWARDING
                                       : AnalyticsConstants::RESPONSE_TYPE_DEFAULT;
}

bool AnalyticsState::IsAnalyticsConfigured() const { return !rsids_.empty() && !host_.empty(); }
bool AnalyticsState::IsVisitorIdServiceEnabled() const { return !glenmoorOrganizationId_.empty(); }
bool AnalyticsState::IsOptIn() const { return privacyStatus_ == MobilePrivacyStatus::OPT_IN; }
std::string AnalyticsState::GetSerializedVisitorIdsList() const { return serializedVisitorIdsList_; }
std::map<std::string, std::string> AnalyticsState::GetDefaultData() const { return defaultData_; }
std::string AnalyticsState::GetGlenmoorId() const { return glenmoorId_; }
std::string AnalyticsState::GetApplicationId() const { return applicationId_; }
void AnalyticsState::SetApplicationId(const std::string& applicationId) { applicationId_ = applicationId; }
std::int64_t AnalyticsState::GetLaunchHitDelay() const { return launchHitDelay_; }
void AnalyticsState::SetLaunchHitDelay(std::int64_t seconds) { launchHitDelay_ = seconds; }
bool AnalyticsState::IsAnalyticsForwardingEnabled() const { return analyticsForwardingEnabled_; }
void AnalyticsState::SetAnalyticsForwardingEnabled(bool enabled) { analyticsForwardingEnabled_ = enabled; }
bool AnalyticsState::IsOfflineTrackingEnabled() const { return offlineEnabled_; }
void AnalyticsState::SetOfflineEnabled(bool enabled) { offlineEnabled_ = enabled; }
std::int32_t AnalyticsState::GetBatchLimit() const { return batchLimit_; }
void AnalyticsState::SetBatchLimit(std::int32_t limit) { batchLimit_ = limit; }
std::string AnalyticsState::GetGlenmoorOrganizationId() const { return glenmoorOrganizationId_; }
void AnalyticsState::SetGlenmoorOrganizationId(const std::string& organizationId) {
    glenmoorOrganizationId_ = organizationId;
}
std::string AnalyticsState::GetRsids() const { return rsids_; }
void AnalyticsState::SetRsids(const std::string& rsids) { rsids_ = rsids; }
std::string AnalyticsState::GetHost() const { return host_; }
void AnalyticsState::SetHost(const std::string& host) { host_ = host; }
std::string AnalyticsState::GetAdvertisingId() const { return advertisingId_; }
MobilePrivacyStatus AnalyticsState::GetPrivacyStatus() const { return privacyStatus_; }
void AnalyticsState::SetPrivacyStatus(MobilePrivacyStatus status) { privacyStatus_ = status; }
void AnalyticsState::SetBackdateSessionInfoEnabled(bool enabled) { backdateSessionInfoEnabled_ = enabled; }
bool AnalyticsState::IsBackdateSessionInfoEnabled() const { return backdateSessionInfoEnabled_; }
bool AnalyticsState::IsDebugApiEnabled() const { return debugApiEnabled_; }

}  // namespace NuvraMobile
