#include "signal/SignalHitsDatabase.h"

#include <utility>

#include "platformShim/PlatformServicesInterface.h"
#include "signal/SignalHitQueue.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

std::shared_ptr<SignalHitQueue> BuildQueue(const std::shared_ptr<PlatformServicesInterface>& services) {
    auto processor =
        std::make_shared<SignalHitProcessor>(services->GetNetworkService(), services->GetSystemInfoService());
    return std::make_shared<SignalHitQueue>(services, std::make_shared<SignalDatabaseHitSchema>(), processor);
}

}  // namespace

SignalHitsDatabase::SignalHitsDatabase(const std::shared_ptr<PlatformServicesInterface>& platformServices)
    : SignalHitsDatabase(platformServices, nullptr) {}

SignalHitsDatabase::SignalHitsDatabase(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                                       std::shared_ptr<SignalHitQueue> hitQueue) {
    if (!platformServices) {
        Log::Error(LOG_TAG, "Failed to initialize hit database (platform services was null)");
        return;
    }
    hitQueue_ = hitQueue ? std::move(hitQueue) : BuildQueue(platformServices);
}

bool SignalHitsDatabase::Dispose(std::chrono::milliseconds timeout) {
    return hitQueue_ ? hitQueue_->Dispose(timeout) : true;
}

void SignalHitsDatabase::UpdatePrivacyStatus(MobilePrivacyStatus status) {
    if (!hitQueue_) {
        Log::Trace(LOG_TAG, "Hit queue is null");
        return;
    }
    switch (status) {
        case MobilePrivacyStatus::OPT_IN:
            hitQueue_->BringOnline();
            return;
        case MobilePrivacyStatus::OPT_OUT:
            hitQueue_->Suspend();
            hitQueue_->DeleteAllHits();
            return;
        case MobilePrivacyStatus::UNKNOWN:
            hitQueue_->Suspend();
            return;
    }
    Log::Trace(LOG_TAG, "Unknown MobilePrivacyStatus value: %s", static_cast<std::int32_t>(status));
}

void SignalHitsDatabase::Queue(const std::shared_ptr<SignalHit>& hit, std::int64_t timestamp,
                               MobilePrivacyStatus status) {
    if (!hitQueue_) {
        Log::Trace(LOG_TAG, "Failed to queue hit (hit queue was null)");
        return;
    }
    if (hit) {
        hit->timestamp = timestamp;
    }
    hitQueue_->Queue(hit);
    if (status == MobilePrivacyStatus::OPT_IN) {
        hitQueue_->BringOnline();
    }
}

}  // namespace NuvraMobile
