#pragma once

#include "shared/HitQueue.h"
#include "signal/SignalDatabaseHitSchema.h"
#include "signal/SignalHit.h"
#include "signal/SignalHitProcessor.h"

namespace NuvraMobile {

/** The persistent queue of Signal's requests; the shared hit queue over Signal's hit, table and sender. */
class SignalHitQueue : public HitQueue<SignalHit, SignalDatabaseHitSchema, SignalHitProcessor> {
public:
    using HitQueue::HitQueue;
};

}  // namespace NuvraMobile
