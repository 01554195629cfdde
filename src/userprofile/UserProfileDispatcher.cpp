#include "userprofile/UserProfileDispatcher.h"

#include "core/Event.h"
#include "core/EventBuilder.h"
#include "core/EventData.h"
#include "core/EventSource.h"
#include "core/EventType.h"

namespace NuvraMobile {

void UserProfileDispatcher::Dispatch(const std::shared_ptr<EventData>& data) {
    ModuleEventDispatcherBase::Dispatch(
        EventBuilder("UserProfile Response Event", EventType::USER_PROFILE, EventSource::RESPONSE_PROFILE)
            .SetData(data)
            .Build());
}

}  // namespace NuvraMobile
