#include "support/CoreBoot.h"

#include <atomic>

#include "core/Core.h"
#include "core/hub/EventHub.h"

namespace NuvraMobile {

void BootCore(Core& core) {
    static std::atomic<bool> started{false};
    if (!started.exchange(true)) {
        core.Start([] {});
    } else {
        core.GetEventHub()->FinishModulesRegistration([] {});
    }
}

}  // namespace NuvraMobile
