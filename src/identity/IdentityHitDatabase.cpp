#include "identity/IdentityHitDatabase.h"

#include "core/values/DebugInfo.h"
#include "core/values/Event.h"
#include "core/values/SdkError.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "identity/IdentityConstants.h"
#include "platformShim/PlatformServicesInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {
constexpr const char* kTag = IdentityConstants::LOG_PREFIX;
constexpr std::int64_t kMillisecondsPerSecond = 1000;
}  // namespace

std::shared_ptr<IdentityHitDatabase> IdentityHitDatabase::CreateIdentityDatabase(
    const std::shared_ptr<Identity>& identity, const std::shared_ptr<PlatformServicesInterface>& platformServices,
    const std::shared_ptr<IdentityHitQueue>& hitQueue) {
    auto database = std::make_shared<IdentityHitDatabase>();
    bool created = false;
    TryCatch(
        [&] {
            database->Init(platformServices);
            database->hitProcessor_ = std::make_shared<IdentityHitProcessor>(
                platformServices->GetNetworkService(), platformServices->GetSystemInfoService(),
                platformServices->GetJsonUtilityService(), identity);
            database->hitQueue_ = hitQueue ? hitQueue
                                           : std::make_shared<IdentityHitQueue>(platformServices, database->schema_,
                                                                                database->hitProcessor_);
            database->ResetEventNumberAndPairIdForExistingRequests();
            created = true;
        },
        [](SdkError& error) { Log::Warning(kTag, "Failed to create IdentityHitDatabase: %s", error); });
    return created ? database : nullptr;
}

void IdentityHitDatabase::Init(const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    if (!platformServices) {
        Log::Error(kTag, "Failed to initialize hit database (platform services was null)");
        throw SdkError("platform_services.missing_service", "Cannot function without platform services.",
                       CurrentDebugInfo());
    }
    schema_ = std::make_shared<IdentityDatabaseHitSchema>();
}

bool IdentityHitDatabase::Dispose(std::chrono::milliseconds timeout) {
    return hitQueue_ ? hitQueue_->Dispose(timeout) : true;
}

void IdentityHitDatabase::Queue(const std::string& url,
                                const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                                const std::shared_ptr<Event>& event) {
    if (url.empty()) {
        Log::Debug(kTag, "Url for queuing Identity request is empty, ignoring");
        return;
    }
    if (!event) {
        Log::Debug(kTag, "Event for queuing Identity request is null, ignoring");
        return;
    }
    const auto view = configuration ? configuration : std::make_shared<ConfigurationSharedStateIdentity>(nullptr);
    auto hit = std::make_shared<IdentityDatabaseHit>();
    hit->url = url;
    hit->timestamp = event->GetTimestamp() / kMillisecondsPerSecond;
    hit->pairId = event->GetResponsePairID();
    hit->eventNumber = event->GetEventNumber();
    hit->configSSL = true;
    hitQueue_->Queue(hit);
    if (view->GetPrivacyStatus() == MobilePrivacyStatus::OPT_IN) {
        hitQueue_->BringOnline();
    }
}

void IdentityHitDatabase::UpdatePrivacyStatus(MobilePrivacyStatus status) {
    if (!hitQueue_) {
        Log::Trace(kTag, "Hit queue is null");
        return;
    }
    switch (status) {
        case MobilePrivacyStatus::OPT_IN:
            Log::Debug(kTag, "Privacy opted-in: Attempting to send Identity queued hits from database");
            hitQueue_->BringOnline();
            break;
        case MobilePrivacyStatus::OPT_OUT:
            Log::Debug(kTag, "Privacy opted-out: Clearing Identity queued hits from database");
            hitQueue_->Suspend();
            hitQueue_->DeleteAllHits();
            break;
        case MobilePrivacyStatus::UNKNOWN:
            Log::Debug(kTag, "Privacy opt-unknown: Suspend Identity database");
            hitQueue_->Suspend();
            break;
        default:
            Log::Trace(kTag, "Unknown MobilePrivacyStatus value: %s", static_cast<std::int32_t>(status));
            break;
    }
}

void IdentityHitDatabase::ResetEventNumberAndPairIdForExistingRequests() {
    if (hitQueue_ && schema_) {
        hitQueue_->UpdateAllHits(schema_->GenerateUpdateValuesForResetEventNumberAndPairId());
    }
}

}  // namespace NuvraMobile
