#pragma once

#include <memory>

#include "services/ui/MainQueueInterface.h"
#include "services/ui/UiBackendInterface.h"

namespace NuvraMobile {

/** The main queue the presenters run on and the backend they draw with. */
struct UiPlatform {
    std::shared_ptr<MainQueueInterface> mainQueue;
    std::shared_ptr<UiBackendInterface> backend;
};

}  // namespace NuvraMobile
