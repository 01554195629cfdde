#include "platform/ExitStop.h"

#include "services/network/CurlSession.h"
#include "shared/HitQueueBase.h"

namespace NuvraMobile {

void StopSendingForExit() {
    HitQueueBase::StopEveryQueue();
    CurlSession::AbortEveryRequest();
}

}  // namespace NuvraMobile
