#pragma once

#include <memory>
#include <mutex>

#include "analytics/AnalyticsHit.h"
#include "shared/HitProcessor.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class AnalyticsHitDatabase;

/**
 * Decides for each stored hit that the worker hands over whether it is dropped, retried later or sent
 * now, and sends it through the hit database. Runs on the hit queue's worker thread, one hit at a
 * time; holds the database only weakly, so database and queue can be released without a cycle.
 */
class AnalyticsHitProcessor : public HitProcessor<AnalyticsHit> {
public:
    /**
     * DONE when the hit is finished (its row is deleted), RETRY when it is to be offered again, STOP for
     * a waiting hit while a wait timer holds it (the row stays; the end of the wait kicks the queue) and
     * for any hit while the send gate is not opted in (the row stays for the kick of the next opt-in).
     */
    HitProcessingResult Process(const std::shared_ptr<AnalyticsHit>& hit) override;
    virtual void SetHitDatabase(const std::shared_ptr<AnalyticsHitDatabase>& hitDatabase);

private:
    std::shared_ptr<AnalyticsHitDatabase> GetHitDatabase() const;

    mutable Mutex mutex_;
    std::weak_ptr<AnalyticsHitDatabase> hitDatabase_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
