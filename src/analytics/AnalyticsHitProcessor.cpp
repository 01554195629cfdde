#include "analytics/AnalyticsHitProcessor.h"

#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsHitQueue.h"
#include "platformShim/HttpConnectionInterface.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = AnalyticsConstants::LOG_TAG;
constexpr const char* BODY_PREFIX = "ndh";

/** The stored body, or the query of an older stored full URL. */
std::string BodyOf(const std::string& url) {
    if (url.rfind(BODY_PREFIX, 0) == 0) {
        return url;
    }
    const size_t question = url.find('?');
    return question == std::string::npos ? url : url.substr(question + 1);
}

}  // namespace

void AnalyticsHitProcessor::SetHitDatabase(const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase) {
    MutexLock lock(mutex_);
    hitDatabase_ = hitDatabase;
}

std::shared_ptr<AnalyticsHitDatabase> AnalyticsHitProcessor::GetHitDatabase() const {
    MutexLock lock(mutex_);
    return hitDatabase_.lock();
}

HitProcessingResult AnalyticsHitProcessor::Process(const std::shared_ptr<AnalyticsHit>& hit) {
    if (!hit) {
        Log::Trace(LOG_TAG, "Failed to process hit (hit was null)");
        return HitProcessingResult::DONE;
    }
    if (hit->isPlaceholder) {
        return HitProcessingResult::DONE;
    }
    const auto hitDatabase = GetHitDatabase();
    if (!hitDatabase) {
        Log::Trace(LOG_TAG, "Failed to process hit (hit database was null)");
        return HitProcessingResult::DONE;
    }
    if (!hitDatabase->IsSendingAllowed()) {
        return HitProcessingResult::STOP;  // a kick after the next opt-in restarts the worker
    }
    if (hit->server.empty()) {
        return HitProcessingResult::RETRY;
    }
    if (hit->isWaiting && !hitDatabase->ReleaseWaitingHit(*hit)) {
        return HitProcessingResult::STOP;  // the end of the wait kicks the queue again
    }
    if (hit->offlineTracking) {
        const std::int64_t lastHitTimestamp = hitDatabase->GetLastHitTimestamp();
        if (hit->timestamp < lastHitTimestamp) {
            hitDatabase->UpdateTimestampIfNeeded(hit, lastHitTimestamp);
        }
    } else if (hit->timestamp < TimeUtils::GetUnixTimeInSeconds() -
                                    AnalyticsHitDatabase::TIMESTAMP_DISABLED_WAIT_THRESHOLD_SECONDS) {
        const auto hitQueue = hitDatabase->GetHitQueue();
        if (!hitQueue) {
            Log::Trace(LOG_TAG, "Failed to process hit (hit queue was null)");
        } else if (!hitQueue->DeleteHitWithIdentifier(hit->identifier)) {
            Log::Trace(LOG_TAG, "Failed to delete hit (invalid identifier)");
        }
        return HitProcessingResult::DONE;
    }
    const std::string body = BodyOf(hit->url);
    const auto connection = hitDatabase->SendAnalyticsHitToServer(hit->server, body);
    if (!connection) {
        Log::Debug(LOG_TAG, "Failed to process hit (connection was null)");
        return HitProcessingResult::RETRY;
    }
    Log::Debug(LOG_TAG, "Analytics request was sent with body (%s)", body);
    hitDatabase->HandleNetworkConnection(connection, hit);
    return HitProcessingResult::DONE;
}

}  // namespace NuvraMobile
