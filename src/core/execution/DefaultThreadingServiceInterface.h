#pragma once

#include <memory>

#include "platformShim/ThreadingServiceInterface.h"

namespace NuvraMobile {

/** The threading service the core falls back on when the platform supplies none. */
class DefaultThreadingServiceInterface : public virtual ThreadingServiceInterface {
public:
    static std::shared_ptr<DefaultThreadingServiceInterface> Create();
};

}  // namespace NuvraMobile
