#include "lifecycle/LifecycleDispatcherResponseContent.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {

namespace Keys = LifecycleConstants::EventDataKeys::Lifecycle;

void LifecycleDispatcherResponseContent::DispatchSessionStart(std::int64_t startTimestamp,
                                                              const std::map<std::string, std::string>& contextData,
                                                              std::int64_t previousStartTimestamp,
                                                              std::int64_t previousPauseTimestamp) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::SESSION_EVENT, Keys::LIFECYCLE_START);
    data->PutStringMap(Keys::LIFECYCLE_CONTEXT_DATA, contextData);
    data->PutLong(Keys::SESSION_START_TIMESTAMP, startTimestamp);
    data->PutLong(Keys::MAX_SESSION_LENGTH, LifecycleConstants::MAX_SESSION_LENGTH_SECONDS);
    data->PutLong(Keys::PREVIOUS_SESSION_START_TIMESTAMP, previousStartTimestamp);
    data->PutLong(Keys::PREVIOUS_SESSION_PAUSE_TIMESTAMP, previousPauseTimestamp);
    Dispatch(EventBuilder(LifecycleConstants::SESSION_START_EVENT_NAME, EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT)
                 .SetData(data)
                 .Build());
}

}  // namespace NuvraMobile
