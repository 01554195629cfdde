#pragma once

#include <memory>

#include "shared/DatabaseHitBase.h"
#include "shared/HitProcessorBase.h"

namespace NuvraMobile {

/** The typed processor of a module's hits; a hit of another type reaches Process as an empty pointer. */
template <typename THit>
class HitProcessor : public HitProcessorBase {
public:
    virtual HitProcessingResult Process(const std::shared_ptr<THit>& hit) = 0;

    HitProcessingResult ProcessBase(const std::shared_ptr<DatabaseHitBase>& hit) override {
        return Process(std::dynamic_pointer_cast<THit>(hit));
    }
};

}  // namespace NuvraMobile
