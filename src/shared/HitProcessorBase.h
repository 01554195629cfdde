#pragma once

#include <cstdint>
#include <memory>

#include "core/values/Object.h"

namespace NuvraMobile {

class DatabaseHitBase;

/** What the worker does with a processed hit. Any other value counts as DONE. */
enum class HitProcessingResult : std::int32_t {
    /** The hit is finished: its row is deleted. */
    DONE = 0,
    /** The row stays and is offered again after a pause. */
    RETRY = 1,
    /** The row stays and the worker ends. */
    STOP = 2
};

/**
 * Delivers one stored hit. Called on the queue's worker thread, one hit at a time, with no queue lock
 * held: it may block (a synchronous request) and may call the queue's other operations.
 */
class HitProcessorBase : public Object {
public:
    virtual HitProcessingResult ProcessBase(const std::shared_ptr<DatabaseHitBase>& hit) = 0;
};

}  // namespace NuvraMobile
