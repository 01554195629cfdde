#include "analytics/Analytics.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsRequestSerializer.h"
#include "analytics/AnalyticsState.h"
#include "core/values/EventData.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UIServiceInterface.h"
#include "util/Log.h"

// Turning one track request into one measurement hit: its context data, its variables and its body.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;
namespace Vars = AnalyticsConstants;
namespace ContextKeys = AnalyticsConstants::ContextDataKeys;

void Analytics::Track(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<EventData>& data,
                      std::int64_t timestampSeconds, bool backdated) {
    if (!state->IsAnalyticsConfigured()) {
        Log::Warning(LOG_TAG, "Analytics is not configured, the track request will be dropped.");
        return;
    }
    SetMostRecentHitTimestamp(timestampSeconds);
    if (state->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        Log::Warning(LOG_TAG, "Privacy is opted out, the track request will be dropped.");
        return;
    }
    const std::string body = requestSerializer_->SerializeAnalyticsRequest(
        state, ProcessAnalyticsData(state, data), ProcessAnalyticsVars(state, data, timestampSeconds));
    const auto hitDatabase = GetHitDatabase();
    if (!hitDatabase) {
        Log::Warning(LOG_TAG, "Unable to queue the analytics hit. Database Service is unavailable");
        return;
    }
    Log::Debug(LOG_TAG, "Analytics Request Queued (%s)", body);
    if (backdated) {
        hitDatabase->UpdateBackdatedHit(state, body, timestampSeconds);
    } else {
        hitDatabase->Queue(state, body, timestampSeconds, properties_->IsDatabaseWaiting(), false);
    }
}

std::map<std::string, std::string> Analytics::ProcessAnalyticsData(const std::shared_ptr<AnalyticsState>& state,
                                                                   const std::shared_ptr<EventData>& data) {
    std::map<std::string, std::string> contextData = state->GetDefaultData();
    std::map<std::string, std::string> callerData;
    data->GetStringMap(Keys::CONTEXT_DATA, callerData);
    contextData.merge(callerData);
    const std::string action = data->OptString(Keys::TRACK_ACTION, "");
    if (!action.empty()) {
        contextData[GetActionKey(data->OptBoolean(Keys::TRACK_INTERNAL, false))] = action;
    }
    const std::int64_t sessionStart = properties_->GetLifecycleSessionStartTimestamp();
    if (sessionStart > 0) {
        const std::int64_t timeSinceLaunch = GetTimeSinceLaunch(sessionStart);
        if (timeSinceLaunch >= 0 && timeSinceLaunch <= properties_->GetLifecycleMaxSessionLength()) {
            contextData[ContextKeys::TIME_SINCE_LAUNCH_KEY] = std::to_string(timeSinceLaunch);
        }
    }
    if (state->GetPrivacyStatus() == MobilePrivacyStatus::UNKNOWN) {
        contextData[Vars::ANALYTICS_REQUEST_PRIVACY_MODE_KEY] = Vars::PRIVACY_MODE_UNKNOWN;
    }
    const std::string eventIdentifier = data->OptString(Keys::REQUEST_EVENT_IDENTIFIER, "");
    if (!eventIdentifier.empty()) {
        contextData[ContextKeys::EVENT_IDENTIFIER_KEY] = eventIdentifier;
    }
    return contextData;
}

std::map<std::string, std::string> Analytics::ProcessAnalyticsVars(const std::shared_ptr<AnalyticsState>& state,
                                                                   const std::shared_ptr<EventData>& data,
                                                                   std::int64_t timestampSeconds) {
    std::map<std::string, std::string> variables;
    const std::string action = data->OptString(Keys::TRACK_ACTION, "");
    if (!action.empty()) {
        variables[Vars::ANALYTICS_REQUEST_IGNORE_PAGE_NAME_KEY] = Vars::IGNORE_PAGE_NAME_VALUE;
        variables[Vars::ANALYTICS_REQUEST_ACTION_NAME_KEY] =
            GetActionPrefix(data->OptBoolean(Keys::TRACK_INTERNAL, false)) + action;
    }
    variables[Vars::ANALYTICS_REQUEST_PAGE_NAME_KEY] = state->GetApplicationId();
    const std::string pageName = data->OptString(Keys::TRACK_STATE, "");
    if (!pageName.empty()) {
        variables[Vars::ANALYTICS_REQUEST_PAGE_NAME_KEY] = pageName;
    }
    const std::string analyticsId = properties_->GetAnalyticsId();
    if (!analyticsId.empty()) {
        variables[Vars::ANALYTICS_REQUEST_ANALYTICS_ID_KEY] = analyticsId;
    }
    const std::string visitorId = properties_->GetVisitorId();
    if (!visitorId.empty()) {
        variables[Vars::ANALYTICS_REQUEST_VISITOR_ID_KEY] = visitorId;
    }
    variables[Vars::ANALYTICS_REQUEST_CHARSET_KEY] = AnalyticsProperties::CHARSET;
    variables[Vars::ANALYTICS_REQUEST_FORMATTED_TIMESTAMP_KEY] = AnalyticsProperties::GetTimestampTzOffset();
    if (state->IsOfflineTrackingEnabled()) {
        variables[Vars::ANALYTICS_REQUEST_STRING_TIMESTAMP_KEY] = std::to_string(timestampSeconds);
    }
    if (state->IsVisitorIdServiceEnabled()) {
        variables.merge(state->GetAnalyticsIdVisitorParameters());
    }
    const auto platformServices = GetPlatformServices();
    const auto uiService = platformServices ? platformServices->GetUIService() : nullptr;
    variables[Vars::ANALYTICS_REQUEST_CUSTOMER_PERSPECTIVE_KEY] =
        uiService && uiService->GetAppState() == AppState::BACKGROUND ? Vars::APP_STATE_BACKGROUND
                                                                      : Vars::APP_STATE_FOREGROUND;
    return variables;
}

}  // namespace NuvraMobile
