#include "support/AnalyticsQueueSize.h"

#include <memory>

#include "core/Core.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {

std::future<std::int64_t> RequestAnalyticsQueueSize(Core& core) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean("getqueuesize", true);
    const auto answer = std::make_shared<std::promise<std::int64_t>>();
    auto future = answer->get_future();
    core.DispatchEventWithResponseCallback(
        EventBuilder("AnalyticsGetQueueSize", EventType::ANALYTICS, EventSource::REQUEST_CONTENT)
            .SetData(data)
            .Build(),
        [answer](const std::shared_ptr<Event>& response) {
            answer->set_value(response->GetData()->OptLong("queuesize", -1));
        },
        nullptr);
    return future;
}

}  // namespace NuvraMobile
