#pragma once

#include <memory>

#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "analytics/AnalyticsHit.h"
#include "analytics/AnalyticsHitProcessor.h"
#include "shared/HitQueue.h"

namespace NuvraMobile {

/** The persistent queue of measurement hits over "ANALYTICS_HITS". Threads as HitQueueBase. */
class AnalyticsHitQueue : public HitQueue<AnalyticsHit, AnalyticsDatabaseHitSchema, AnalyticsHitProcessor> {
public:
    AnalyticsHitQueue(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                      const std::shared_ptr<AnalyticsDatabaseHitSchema>& schema,
                      const std::shared_ptr<AnalyticsHitProcessor>& processor)
        : HitQueue(platformServices, schema, processor), schema_(schema) {}

    virtual std::shared_ptr<AnalyticsDatabaseHitSchema> GetHitSchema() const { return schema_; }

private:
    const std::shared_ptr<AnalyticsDatabaseHitSchema> schema_;
};

}  // namespace NuvraMobile
