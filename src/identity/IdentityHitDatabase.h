#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "identity/IdentityDatabaseHit.h"
#include "identity/IdentityDatabaseHitSchema.h"
#include "identity/IdentityHitProcessor.h"
#include "shared/HitQueue.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class ConfigurationSharedStateIdentity;
class Event;
class FileSystemServiceInterface;
class Identity;
class PlatformServicesInterface;
class SystemInfoServiceInterface;

using IdentityHitQueue = HitQueue<IdentityDatabaseHit, IdentityDatabaseHitSchema, IdentityHitProcessor>;

/**
 * The Identity module's persistent send queue: stores each sync request as a row of
 * "IDENTITY_REQUESTS" and lets the queue's worker send the rows, oldest first, while privacy is
 * optedin. Optunknown keeps the rows waiting; optedout deletes them.
 *
 * Threads: every operation runs on the Identity module's task queue, one at a time; the worker runs on
 * the hit queue's own executor and the queue base guards its own state. Dispose ends the worker.
 */
class IdentityHitDatabase : public Object {
public:
    /**
     * A database over its own queue (or `hitQueue` when given), with the rows of an earlier run reset to
     * answer nobody; empty, with a warning, when it cannot be built.
     */
    static std::shared_ptr<IdentityHitDatabase> CreateIdentityDatabase(
        const std::shared_ptr<Identity>& identity, const std::shared_ptr<PlatformServicesInterface>& platformServices,
        const std::shared_ptr<IdentityHitQueue>& hitQueue);

    /** Throws SdkError "platform_services.missing_service" without platform services. */
    void Init(const std::shared_ptr<PlatformServicesInterface>& platformServices);
    /** The queue that sends the stored requests; null when none could be built. */
    std::shared_ptr<IdentityHitQueue> GetHitQueue() const { return hitQueue_; }
    /** Ends the worker; true when it ended in time or there is no queue. */
    virtual bool Dispose(std::chrono::milliseconds timeout);
    /** Stores one request for `event`; wakes the worker when the configuration is optedin. */
    virtual void Queue(const std::string& url, const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration,
                       const std::shared_ptr<Event>& event);
    virtual void UpdatePrivacyStatus(MobilePrivacyStatus status);
    void ResetEventNumberAndPairIdForExistingRequests();

private:
    std::shared_ptr<IdentityDatabaseHitSchema> schema_;
    std::shared_ptr<IdentityHitQueue> hitQueue_;
    std::shared_ptr<IdentityHitProcessor> hitProcessor_;
};

}  // namespace NuvraMobile
