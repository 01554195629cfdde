#include "userprofile/UserProfileDispatcher.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {

void UserProfileDispatcher::Dispatch(const std::shared_ptr<EventData>& data) {
    ModuleEventDispatcherBase::Dispatch(
        EventBuilder("UserProfile Response Event", EventType::USER_PROFILE, EventSource::RESPONSE_PROFILE)
            .SetData(data)
            .Build());
}

}  // namespace NuvraMobile
