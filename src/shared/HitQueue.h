#pragma once

#include <memory>

#include "shared/DatabaseHitSchema.h"
#include "shared/HitProcessor.h"
#include "shared/HitQueueBase.h"

namespace NuvraMobile {

/**
 * The typed front of a hit queue that a module instantiates with its hit type, its schema
 * (a DatabaseHitSchema<THit>) and its processor (a HitProcessor<THit>). Threads as HitQueueBase.
 */
template <typename THit, typename TSchema, typename TProcessor>
class HitQueue : public HitQueueBase {
public:
    HitQueue(const std::shared_ptr<PlatformServicesInterface>& platformServices,
             const std::shared_ptr<TSchema>& schema, const std::shared_ptr<TProcessor>& processor)
        : HitQueueBase(platformServices, schema, processor) {}

    /** The hit of the query's first row; empty when there is none or it is not a THit. */
    virtual std::shared_ptr<THit> QueryHit(const std::shared_ptr<Query>& query) {
        return std::dynamic_pointer_cast<THit>(HitQueueBase::QueryHit(query));
    }

    virtual bool Queue(const std::shared_ptr<THit>& hit) { return HitQueueBase::Queue(hit); }

    virtual std::shared_ptr<THit> SelectOldestHit() {
        return std::dynamic_pointer_cast<THit>(HitQueueBase::SelectOldestHit());
    }

    virtual bool UpdateHit(const std::shared_ptr<THit>& hit) { return HitQueueBase::UpdateHit(hit); }
};

}  // namespace NuvraMobile
