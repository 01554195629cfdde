#include <chrono>

#include "analytics/Analytics.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "core/execution/Timer.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "lifecycle/LifecycleConstants.h"
#include "util/Log.h"

// Holding hits back around a launch: the lifecycle and referrer wait timers, the launch and acquisition
// hits, and the backdated crash and session-info hits of the previous session.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;

namespace {

constexpr const char* LIFECYCLE_INTERNAL_ACTION_NAME = "Lifecycle";
constexpr const char* CRASH_INTERNAL_ACTION_NAME = "Crash";
constexpr const char* SESSION_INFO_INTERNAL_ACTION_NAME = "SessionInfo";
constexpr const char* TRACK_INTERNAL_NUVRA_LINK = "NuvraLink";
constexpr const char* TRACK_INTERNAL_PUSH_CLICK_THROUGH = "PushMessage";
constexpr const char* TRACK_INTERNAL_LOCAL_NOTIFICATION_CLICK_THROUGH = "In-App Message";
constexpr const char* CRASH_EVENT_KEY = "a.CrashEvent";
constexpr const char* CRASH_EVENT_VALUE = "CrashEvent";
constexpr const char* PREVIOUS_SESSION_LENGTH_KEY = "a.PrevSessionLength";
constexpr const char* INSTALL_EVENT_KEY = "a.InstallEvent";
constexpr const char* LAUNCH_EVENT_KEY = "a.LaunchEvent";
constexpr const char* PREVIOUS_SESSION_PAUSE_TIMESTAMP = "previoussessionpausetimestampseconds";
constexpr const char* DATA_PUSH_MESSAGE_ID = "a.push.payloadId";
constexpr const char* DATA_LOCAL_NOTIFICATION_ID = "a.message.id";
constexpr std::int64_t MILLISECONDS_PER_SECOND = 1000;


std::shared_ptr<EventData> InternalTrackData(const std::string& action,
                                             const std::map<std::string, std::string>& contextData) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::TRACK_ACTION, action);
    data->PutStringMap(Keys::CONTEXT_DATA, contextData);
    data->PutBoolean(Keys::TRACK_INTERNAL, true);
    return data;
}

}  // namespace

void Analytics::WaitForLifecycleData() { ArmWaitTimer(nullptr, lifecycleWaitMs_, true); }

void Analytics::WaitForAcquisitionData(const std::shared_ptr<AnalyticsState>& state, std::int64_t timeoutMs) {
    ArmWaitTimer(state, timeoutMs, false);
}

void Analytics::ArmWaitTimer(const std::shared_ptr<AnalyticsState>& state, std::int64_t timeoutMs, bool lifecycle) {
    // A timer keeps its thread until cancelled: the one replaced here is stopped first.
    const auto previous = lifecycle ? properties_->GetLifecycleTimer() : properties_->GetReferrerTimer();
    if (previous) {
        previous->Cancel(std::chrono::milliseconds(0));
    }
    auto timer = Timer::Create();
    if (lifecycle) {
        properties_->SetLifecycleTimer(timer);
        properties_->SetLifecycleTimerRunning(true);
        Log::Debug(LOG_TAG, "Lifecycle timer scheduled having timeout %s", timeoutMs);
    } else {
        properties_->SetReferrerTimer(timer);
        properties_->SetReferrerTimerRunning(true);
        Log::Debug(LOG_TAG, "Referrer timer scheduled having timeout %s", timeoutMs);
    }
    std::weak_ptr<Analytics> weakSelf = SharedSelf();
    std::weak_ptr<Timer> firedTimer = timer;
    timer->Schedule(
        [weakSelf, firedTimer, state, lifecycle] {
            const auto self = weakSelf.lock();
            if (!self) {
                return;
            }
            QueueMemberTask(*self, lifecycle ? "AnalyticsLifecycleTimerExpired" : "AnalyticsReferrerTimerExpired",
                            [firedTimer, state, lifecycle](Analytics& analytics) {
                                const auto properties = analytics.GetProperties();
                                const auto current =
                                    lifecycle ? properties->GetLifecycleTimer() : properties->GetReferrerTimer();
                                if (current != firedTimer.lock()) {
                                    return;  // cancelled or re-armed after it fired
                                }
                                if (lifecycle) {
                                    properties->SetLifecycleTimerRunning(false);
                                    Log::Debug(LOG_TAG, "Lifecycle timeout has expired without lifecycle data");
                                } else {
                                    properties->SetReferrerTimerRunning(false);
                                    Log::Debug(LOG_TAG, "Launch hit delay has expired without referrer data");
                                }
                                if (const auto hitDatabase = analytics.GetHitDatabase()) {
                                    // Requests built while the wait ran may have stored hits of a newer
                                    // configuration than the one it was armed with.
                                    hitDatabase->Kick(analytics.NewestKnownConfigurationState(state), false);
                                }
                            });
        },
        std::chrono::system_clock::now() + std::chrono::milliseconds(timeoutMs));
}

void Analytics::TrackLifecycle(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<Event>& event) {
    std::map<std::string, std::string> lifecycleData;
    event->GetData()->GetStringMap(AnalyticsConstants::SharedStateKeys::Lifecycle::LIFECYCLE_CONTEXT_DATA,
                                   lifecycleData);
    if (lifecycleData.empty()) {
        Log::Trace(LOG_TAG, "Failed to track lifecycle event (context data map was empty)");
        return;
    }
    std::map<std::string, std::string> contextData;
    for (const auto& [lifecycleKey, hitKey] : LifecycleConstants::ContextDataKeys::MAP_TO_CONTEXT_DATA_KEYS) {
        const auto found = lifecycleData.find(lifecycleKey);
        if (found != lifecycleData.end()) {
            contextData[hitKey] = found->second;
            lifecycleData.erase(found);
        }
    }
    contextData.merge(lifecycleData);
    if (contextData.count(INSTALL_EVENT_KEY)) {
        WaitForAcquisitionData(state, state->GetLaunchHitDelay() * MILLISECONDS_PER_SECOND);
    } else if (contextData.count(LAUNCH_EVENT_KEY)) {
        WaitForAcquisitionData(state, AnalyticsConstants::Default::DEFAULT_LAUNCH_DEEPLINK_DATA_WAIT_TIMEOUT);
    }
    if (state->IsBackdateSessionInfoEnabled() && state->IsOfflineTrackingEnabled()) {
        if (contextData.erase(CRASH_EVENT_KEY)) {
            BackdateLifecycleCrash(state);
        }
        const auto previousSessionLength = contextData.find(PREVIOUS_SESSION_LENGTH_KEY);
        if (previousSessionLength != contextData.end()) {
            const std::string length = previousSessionLength->second;
            contextData.erase(previousSessionLength);
            BackdateLifecycleSessionInfo(state, length, event->GetData()->OptLong(PREVIOUS_SESSION_PAUSE_TIMESTAMP, 0));
        }
    }
    const auto hitDatabase = GetHitDatabase();
    if (properties_->IsLifecycleTimerRunning() && hitDatabase && hitDatabase->IsHitWaiting()) {
        EndWaitWithData(hitDatabase, state, contextData, &AnalyticsProperties::CancelLifecycleTimer);
        return;
    }
    properties_->CancelLifecycleTimer();
    Track(state, InternalTrackData(LIFECYCLE_INTERNAL_ACTION_NAME, contextData),
          event->GetTimestamp() / MILLISECONDS_PER_SECOND, false);
}

void Analytics::trackAcquisition(const std::shared_ptr<AnalyticsState>& state, const std::shared_ptr<Event>& event) {
    if (!state) {
        Log::Trace(LOG_TAG, "Failed to track acquisition event (invalid state)");
        return;
    }
    std::map<std::string, std::string> contextData;
    if (event->GetData()) {
        event->GetData()->GetStringMap(Keys::CONTEXT_DATA, contextData);
    }
    if (properties_->IsReferrerTimerRunning()) {
        if (const auto hitDatabase = GetHitDatabase()) {
            EndWaitWithData(hitDatabase, state, contextData, &AnalyticsProperties::CancelReferrerTimer);
        } else {
            properties_->CancelReferrerTimer();
            Log::Error(LOG_TAG, "Unable to kick analytic hit with referrer data. Database Service is unavailable");
        }
        return;
    }
    properties_->CancelReferrerTimer();
    Track(state, InternalTrackData(IdentifyAcquisitionStateName(contextData), contextData),
          event->GetTimestamp() / MILLISECONDS_PER_SECOND, false);
}

void Analytics::BackdateLifecycleCrash(const std::shared_ptr<AnalyticsState>& state) {
    Track(state, InternalTrackData(CRASH_INTERNAL_ACTION_NAME, {{CRASH_EVENT_KEY, CRASH_EVENT_VALUE}}),
          GetMostRecentHitTimestamp() + 1, true);
}

void Analytics::BackdateLifecycleSessionInfo(const std::shared_ptr<AnalyticsState>& state,
                                             const std::string& previousSessionLength,
                                             std::int64_t previousPauseTimestampSeconds) {
    std::map<std::string, std::string> contextData;
    if (!previousSessionLength.empty()) {
        contextData[PREVIOUS_SESSION_LENGTH_KEY] = previousSessionLength;
    }
    Track(state, InternalTrackData(SESSION_INFO_INTERNAL_ACTION_NAME, contextData),
          std::max(GetMostRecentHitTimestamp(), previousPauseTimestampSeconds) + 1, true);
}

std::string Analytics::IdentifyAcquisitionStateName(const std::map<std::string, std::string>& contextData) const {
    if (contextData.count(DATA_PUSH_MESSAGE_ID)) {
        return TRACK_INTERNAL_PUSH_CLICK_THROUGH;
    }
    if (contextData.count(DATA_LOCAL_NOTIFICATION_ID)) {
        return TRACK_INTERNAL_LOCAL_NOTIFICATION_CLICK_THROUGH;
    }
    return TRACK_INTERNAL_NUVRA_LINK;
}

}  // namespace NuvraMobile
