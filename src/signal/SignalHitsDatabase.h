#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "core/values/Object.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class PlatformServicesInterface;
class SignalHit;
class SignalHitQueue;

/**
 * The Signal module's front of its persistent request queue: stores hits, and starts, suspends or
 * empties the queue as the privacy status asks. Built without platform services it has no queue;
 * every operation then logs and does nothing, and Dispose succeeds at once.
 *
 * Threads: Queue, UpdatePrivacyStatus and Dispose are called from the module's sequential queue, and
 * the first Dispose directly at unregistration; the queue guards its own state. Sending happens on the
 * queue's own worker, never here.
 */
class SignalHitsDatabase : public Object {
public:
    static constexpr const char* LOG_TAG = "SignalHitDatabase";
    static constexpr const char* SIGNAL_FILENAME = "NVBMobileSignals.sqlite";
    static constexpr const char* SIGNAL_TABLE_NAME = "HITS";

    /** Opens or creates the table; the queue stays stopped until a privacy update or Queue says opted in. */
    explicit SignalHitsDatabase(const std::shared_ptr<PlatformServicesInterface>& platformServices);
    /** Uses `hitQueue` instead of building one. */
    SignalHitsDatabase(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                       std::shared_ptr<SignalHitQueue> hitQueue);

    /** The queue that sends the stored hits; null without platform services. */
    std::shared_ptr<SignalHitQueue> GetHitQueue() const { return hitQueue_; }
    /** True when the queue's worker ended within `timeout` (or there is no queue). */
    virtual bool Dispose(std::chrono::milliseconds timeout);
    /** Opted in starts sending; opted out suspends and deletes every stored hit; unknown suspends. */
    virtual void UpdatePrivacyStatus(MobilePrivacyStatus status);
    /** Stores the hit with `timestamp` (seconds); an opted-in status also starts sending. */
    virtual void Queue(const std::shared_ptr<SignalHit>& hit, std::int64_t timestamp,
                       MobilePrivacyStatus status);

private:
    std::shared_ptr<SignalHitQueue> hitQueue_;
};

}  // namespace NuvraMobile
