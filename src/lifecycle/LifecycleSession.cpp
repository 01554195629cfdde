#include "lifecycle/LifecycleSession.h"

#include <utility>

#include "lifecycle/LifecycleConstants.h"
#include "platformShim/DataStoreInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace StoreKeys = LifecycleConstants::DataStoreKeys;
namespace Keys = LifecycleConstants::EventDataKeys::Lifecycle;

LifecycleSession::LifecycleSession(std::shared_ptr<DataStoreInterface> dataStore)
    : dataStore_(std::move(dataStore)) {}

std::shared_ptr<SessionInfo> LifecycleSession::Start(std::int64_t startTimestamp, std::int64_t sessionTimeout) {
    if (started_) {
        return nullptr;
    }
    if (!dataStore_) {
        Log::Warning(LOG_TAG, "Failed to start session - could not retrieve persisted data");
        return nullptr;
    }
    started_ = true;
    const auto previousStart = dataStore_->GetLong(StoreKeys::START_DATE, 0);
    const auto previousPause = dataStore_->GetLong(StoreKeys::PAUSE_DATE, 0);
    const bool crashed = !dataStore_->GetBoolean(StoreKeys::SUCCESSFUL_CLOSE, true);
    const bool resumes =
        previousPause > 0 && startTimestamp - previousPause < sessionTimeout && previousStart > 0;
    if (resumes) {
        // The session start moves forward by the length of the pause.
        dataStore_->SetLong(StoreKeys::START_DATE, previousStart + (startTimestamp - previousPause));
        dataStore_->SetBoolean(StoreKeys::SUCCESSFUL_CLOSE, false);
        dataStore_->Remove(StoreKeys::PAUSE_DATE);
        return nullptr;
    }
    dataStore_->SetLong(StoreKeys::START_DATE, startTimestamp);
    dataStore_->Remove(StoreKeys::PAUSE_DATE);
    dataStore_->SetBoolean(StoreKeys::SUCCESSFUL_CLOSE, false);
    return std::make_shared<SessionInfo>(previousStart, previousPause, crashed);
}

void LifecycleSession::Pause(std::int64_t pauseTimestamp) {
    if (!dataStore_) {
        Log::Warning(LOG_TAG, "Failed to pause session - could not retrieve persisted data");
        return;
    }
    dataStore_->SetBoolean(StoreKeys::SUCCESSFUL_CLOSE, true);
    dataStore_->SetLong(StoreKeys::PAUSE_DATE, pauseTimestamp);
    started_ = false;
}

std::map<std::string, std::string> LifecycleSession::GetSessionData(
    std::int64_t startTimestamp, std::int64_t sessionTimeout,
    const std::shared_ptr<SessionInfo>& previousSessionInfo) const {
    if (!dataStore_) {
        Log::Debug(LOG_TAG, "Failed to get session length data (dataStore was null)");
        return {};
    }
    if (!previousSessionInfo) {
        Log::Debug(LOG_TAG, "Failed to get session length data (previousSessionInfo was null)");
        return {};
    }
    if (startTimestamp - previousSessionInfo->GetPauseTimestamp() < sessionTimeout) {
        return {};
    }
    const auto length = previousSessionInfo->GetPauseTimestamp() - previousSessionInfo->GetStartTimestamp();
    const bool reported = length > 0 && length < LifecycleConstants::MAX_SESSION_LENGTH_SECONDS;
    return {{reported ? Keys::PREVIOUS_SESSION_LENGTH : Keys::IGNORED_SESSION_LENGTH, std::to_string(length)}};
}

}  // namespace NuvraMobile
