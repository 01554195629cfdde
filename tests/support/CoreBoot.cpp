#include "support/CoreBoot.h"

#include "core/Core.h"
#include "core/hub/EventHub.h"

namespace NuvraMobile {

void BootCore(Core& core) { core.GetEventHub()->FinishModulesRegistration([] {}); }

}  // namespace NuvraMobile
