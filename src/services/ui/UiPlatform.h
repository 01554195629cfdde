#pragma once

#include <memory>

#include "services/ui/MainQueueInterface.h"
#include "services/ui/UiBackendInterface.h"
#include "services/ui/UrlOpenerInterface.h"

namespace NuvraMobile {

/** The main queue the presenters run on, the backend they draw with and the system's URL opener. */
struct UiPlatform {
    std::shared_ptr<MainQueueInterface> mainQueue;
    std::shared_ptr<UiBackendInterface> backend;
    std::shared_ptr<UrlOpenerInterface> urlOpener;
};

}  // namespace NuvraMobile
