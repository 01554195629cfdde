#include "analytics/AnalyticsHitDatabase.h"

#include <utility>

#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsHitQueue.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "analytics/AnalyticsVersionProvider.h"
#include "analytics/ContextDataBlock.h"
#include "core/execution/Timer.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "shared/ContextData.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/NetworkConnectionUtil.h"
#include "util/RandomUtil.h"

namespace NuvraMobile {

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* CONTEXT_DATA_KEY = AnalyticsConstants::ANALYTICS_REQUEST_CONTEXT_DATA_KEY;

std::chrono::milliseconds TimeLeft(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

/** Cancels the timer without waiting; a missing timer counts as stopped. */
bool StopTimer(const std::shared_ptr<Timer>& timer, std::chrono::milliseconds wait) {
    return !timer || timer->Cancel(wait);
}

/** The flat context data of the body's context-data block; empty without one. */
std::map<std::string, std::string> DecodeContextDataBlock(const std::string& body) {
    const auto block = ContextDataBlock::Find(body, CONTEXT_DATA_KEY);
    if (!block) {
        return {};
    }
    return ContextData::DecodeContextData(body.substr(block->begin, block->end - block->begin));
}

}  // namespace

AnalyticsHitDatabase::AnalyticsHitDatabase(const std::shared_ptr<AnalyticsHitQueue>& hitQueue,
                                           const std::shared_ptr<PlatformServicesInterface>& platformServices,
                                           const std::shared_ptr<AnalyticsProperties>& properties,
                                           ResponseHandler responseHandler)
    : properties_(properties),
      platformServices_(platformServices),
      responseHandler_(std::move(responseHandler)) {
    if (!platformServices) {
        Log::Error(LOG_PREFIX, "Failed to initialize hit database (platform services was null)");
        return;
    }
    if (!hitQueue) {
        Log::Error(LOG_PREFIX, "Failed to initialize hit database (hit queue was null)");
        return;
    }
    networkService_ = platformServices->GetNetworkService();
    schema_ = hitQueue->GetHitSchema();
    hitQueue_ = hitQueue;
}

std::shared_ptr<AnalyticsState> AnalyticsHitDatabase::GetLastState() const {
    MutexLock lock(mutex_);
    return lastState_;
}

void AnalyticsHitDatabase::SetLastState(const std::shared_ptr<AnalyticsState>& state) {
    MutexLock lock(mutex_);
    lastState_ = state;
}

void AnalyticsHitDatabase::SetPrivacyStatus(MobilePrivacyStatus status) {
    MutexLock lock(mutex_);
    privacyStatus_ = status;
}

MobilePrivacyStatus AnalyticsHitDatabase::GatePrivacy(MobilePrivacyStatus fallback) const {
    MutexLock lock(mutex_);
    return privacyStatus_.value_or(fallback);
}

// Before the module has set the gate, the worker only runs after a kick whose state was opted in.
bool AnalyticsHitDatabase::IsSendingAllowed() const {
    return GatePrivacy(MobilePrivacyStatus::OPT_IN) == MobilePrivacyStatus::OPT_IN;
}

bool AnalyticsHitDatabase::IsDebugApiEnabled() const {
    const auto lastState = GetLastState();
    return lastState && lastState->IsDebugApiEnabled();
}

void AnalyticsHitDatabase::FillFromState(AnalyticsHit& hit, const std::shared_ptr<AnalyticsState>& state) {
    if (state) {
        hit.server = state->GetBaseUrl(AnalyticsVersionProvider::GetVersion());
        hit.offlineTracking = state->IsOfflineTrackingEnabled();
        hit.cxmForwarding = state->IsAnalyticsForwardingEnabled();
    } else {
        hit.server.clear();
        hit.offlineTracking = true;
        hit.cxmForwarding = true;
    }
}

void AnalyticsHitDatabase::InsertHit(const std::shared_ptr<AnalyticsHit>& hit) {
    MutexLock lock(rowsMutex_);
    if (hitQueue_->Queue(hit) && serverOfAllRows_ != hit->server) {
        serverOfAllRows_.reset();
    }
}

void AnalyticsHitDatabase::PointAllRowsAt(const std::string& server) {
    MutexLock lock(rowsMutex_);
    if (serverOfAllRows_ == server) {
        return;
    }
    if (hitQueue_->UpdateAllHits(schema_->GenerateServerUpdateMap(server))) {
        serverOfAllRows_ = server;
    }
}

void AnalyticsHitDatabase::Queue(const std::shared_ptr<AnalyticsState>& state, const std::string& payload,
                                 std::int64_t timestampSeconds, bool waiting, bool placeholder) {
    auto hit = std::make_shared<AnalyticsHit>();
    hit->url = payload;
    hit->timestamp = timestampSeconds;
    FillFromState(*hit, state);
    hit->isWaiting = waiting;
    hit->isPlaceholder = placeholder;
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to queue hit (hit queue was null)");
        return;
    }
    InsertHit(hit);
    if (state && !hit->server.empty()) {
        Kick(state, false);
    }
    SetLastState(state);
}

void AnalyticsHitDatabase::ForceKick(const std::shared_ptr<AnalyticsState>& state) { Kick(state, true); }

void AnalyticsHitDatabase::Kick(const std::shared_ptr<AnalyticsState>& state, bool force) {
    if (properties_ && properties_->IsDatabaseWaiting()) {
        return;
    }
    const auto kickState = state ? state : GetLastState();
    if (!kickState || GatePrivacy(kickState->GetPrivacyStatus()) != MobilePrivacyStatus::OPT_IN) {
        return;
    }
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to kick database hits (hit queue was null)");
        return;
    }
    // Recorded before the worker may run: it reads the debug flag of its first hit from this state.
    SetLastState(state);
    const bool batchHoldsRows = kickState->IsOfflineTrackingEnabled() && !force &&
                                hitQueue_->GetSize() <= kickState->GetBatchLimit();
    if (!batchHoldsRows) {
        const std::string server = kickState->GetBaseUrl(AnalyticsVersionProvider::GetVersion());
        if (!server.empty()) {
            PointAllRowsAt(server);
            hitQueue_->BringOnline();
        }
    }
}

void AnalyticsHitDatabase::KickWithAdditionalData(const std::shared_ptr<AnalyticsState>& state,
                                                  const std::map<std::string, std::string>& data) {
    Log::Trace(LOG_PREFIX, "Additional data was received, trying to kick Analytics queue.");
    if (data.empty()) {
        Kick(state, false);
        return;
    }
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to kick database hits with referrer data (hit queue was null)");
        return;
    }
    const auto waitingHit = hitQueue_->QueryHit(schema_->GetFirstWaitingHitQuery());
    if (waitingHit && !waitingHit->url.empty()) {
        waitingHit->url = AppendContextData(data, waitingHit->url);
        hitQueue_->UpdateHit(waitingHit);
    }
    Kick(state, false);
    SetLastState(state);
}

std::string AnalyticsHitDatabase::AppendContextData(const std::map<std::string, std::string>& data,
                                                    const std::string& body) {
    if (body.empty() || data.empty()) {
        return body;
    }
    const auto block = ContextDataBlock::Find(body, CONTEXT_DATA_KEY);
    if (!block || block->innerBegin == block->innerEnd) {
        return body + ContextDataBlock::Wrap(CONTEXT_DATA_KEY, ContextData::EncodeContextData(data));
    }
    auto merged = data;
    merged.merge(ContextData::DecodeContextData(body.substr(block->begin, block->end - block->begin)));
    return body.substr(0, block->begin) + body.substr(block->end) +
           ContextDataBlock::Wrap(CONTEXT_DATA_KEY, ContextData::EncodeContextData(merged));
}

void AnalyticsHitDatabase::UpdateBackdatedHit(const std::shared_ptr<AnalyticsState>& state,
                                              const std::string& payload, std::int64_t timestampSeconds) {
    Log::Debug(LOG_PREFIX, "Backdated session info received.");
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to kick the backdated hit (hit queue was null)");
        return;
    }
    const auto placeholder = hitQueue_->QueryHit(schema_->GetLatestPlaceHolderHitQuery());
    if (!placeholder) {
        // Without a reserved row the hit still goes out, in arrival order.
        Queue(state, payload, timestampSeconds, properties_ && properties_->IsDatabaseWaiting(), false);
        return;
    }
    placeholder->url = payload;
    placeholder->timestamp = timestampSeconds;
    placeholder->isPlaceholder = false;
    FillFromState(*placeholder, state);
    {
        MutexLock lock(rowsMutex_);
        if (hitQueue_->UpdateHit(placeholder) && serverOfAllRows_ != placeholder->server) {
            serverOfAllRows_.reset();
        }
    }
    Kick(state, false);
    SetLastState(state);
}

void AnalyticsHitDatabase::ResetIsWaitingFlag() {
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to reset waiting flag");
        return;
    }
    hitQueue_->UpdateAllHits(schema_->GenerateUpdateValuesForResetIsWaitingFlag());
}

bool AnalyticsHitDatabase::IsHitWaiting() {
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to check for waiting hit, returning false");
        return false;
    }
    return hitQueue_->QueryHit(schema_->GetFirstWaitingHitQuery()) != nullptr;
}

bool AnalyticsHitDatabase::ReleaseWaitingHit(AnalyticsHit& hit) {
    if (properties_ && properties_->IsDatabaseWaiting()) {
        return false;
    }
    // The hit in hand is the oldest row, so while it is still waiting it is the first waiting row.
    const auto stored = hitQueue_ ? hitQueue_->QueryHit(schema_->GetFirstWaitingHitQuery()) : nullptr;
    if (stored && stored->identifier == hit.identifier) {
        hit.url = stored->url;
    }
    return true;
}

void AnalyticsHitDatabase::ClearTrackingQueue() {
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to clear tracking queue (hit queue was null)");
        return;
    }
    hitQueue_->DeleteAllHits();
}

std::int64_t AnalyticsHitDatabase::GetTrackingQueueSize() {
    if (!hitQueue_) {
        Log::Trace(LOG_PREFIX, "Failed to get tracking queue size (hit queue was null)");
        return 0;
    }
    return hitQueue_->GetSize(schema_->GetRegularHitQuery());
}

bool AnalyticsHitDatabase::Dispose(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const auto referrerTimer = properties_ ? properties_->GetReferrerTimer() : nullptr;
    const auto lifecycleTimer = properties_ ? properties_->GetLifecycleTimer() : nullptr;
    bool referrerStopped = StopTimer(referrerTimer, std::chrono::milliseconds(0));
    bool lifecycleStopped = StopTimer(lifecycleTimer, std::chrono::milliseconds(0));
    const bool queueDisposed = !hitQueue_ || hitQueue_->Dispose(timeout);
    if (!referrerStopped) {
        referrerStopped = StopTimer(referrerTimer, TimeLeft(deadline));
    }
    if (!lifecycleStopped) {
        lifecycleStopped = StopTimer(lifecycleTimer, TimeLeft(deadline));
    }
    return queueDisposed && referrerStopped && lifecycleStopped;
}

std::shared_ptr<HttpConnectionInterface> AnalyticsHitDatabase::SendAnalyticsHitToServer(
    const std::string& server, const std::string& body) {
    const std::string url = server + RandomUtil::Rand(RANDOM_INT_BOUND);
    const auto headers = NetworkConnectionUtil::GetHeaders(properties_ ? properties_->GetLocale() : "", "");
    if (!networkService_) {
        Log::Error(LOG_PREFIX, "Failed to send hit with body (%s) (network service is not available)", body);
        return nullptr;
    }
    const std::string payload = IsDebugApiEnabled() ? body + AnalyticsConstants::DEBUG_API_PAYLOAD : body;
    return networkService_->ConnectUrl(url, HttpCommandType::POST, payload, headers, CONNECTION_TIMEOUT_SECONDS,
                                       CONNECTION_TIMEOUT_SECONDS);
}

void AnalyticsHitDatabase::HandleNetworkConnection(const std::shared_ptr<HttpConnectionInterface>& connection,
                                                   const std::shared_ptr<AnalyticsHit>& hit) {
    const std::string response = connection->GetResponse();
    if (!response.empty() && (hit->cxmForwarding || IsDebugApiEnabled()) && responseHandler_) {
        const std::map<std::string, std::string> headers = {
            {"ETag", connection->GetResponsePropertyValue("ETag")},
            {"Server", connection->GetResponsePropertyValue("Server")},
            {"Content-Type", connection->GetResponsePropertyValue("Content-Type")}};
        const auto contextData = DecodeContextDataBlock(hit->url);
        const auto identifier = contextData.find(AnalyticsConstants::ContextDataKeys::EVENT_IDENTIFIER_KEY);
        responseHandler_(response, headers, identifier == contextData.end() ? "" : identifier->second,
                         hit->server, hit->url);
    }
    lastHitTimestamp_ = hit->timestamp;
    connection->Close();
}

void AnalyticsHitDatabase::UpdateTimestampIfNeeded(const std::shared_ptr<AnalyticsHit>& hit, std::int64_t last) {
    if (hit->timestamp >= last) {
        return;
    }
    const std::int64_t adjusted = last + 1;
    Log::Debug(AnalyticsConstants::LOG_TAG, "Adjusting out of order hit timestamp (%d->%d)", hit->timestamp,
               adjusted);
    const std::string oldText = "&ts=" + std::to_string(hit->timestamp);
    const size_t found = hit->url.find(oldText);
    if (found != std::string::npos) {
        hit->url.replace(found, oldText.size(), "&ts=" + std::to_string(adjusted));
    }
    hit->timestamp = adjusted;
}

}  // namespace NuvraMobile
