#include "signal/SignalPublicApi.h"

#include <utility>

#include "core/hub/EventHub.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "signal/Signal.h"
#include "util/Log.h"

namespace NuvraMobile {

std::shared_ptr<SignalPublicApi> SignalPublicApi::Create(const std::shared_ptr<EventHub>& eventHub,
                                                         const std::shared_ptr<PlatformServicesInterface>&) {
    return std::make_shared<SignalPublicApi>(eventHub);
}

SignalPublicApi::SignalPublicApi(std::shared_ptr<EventHub> eventHub) : eventHub_(std::move(eventHub)) {}

void SignalPublicApi::RegisterSignal() {
    if (!eventHub_->IsRegisteredModule(SignalConstants::SHARED_STATE_NAME)) {
        eventHub_->RegisterModule<Signal>();
    }
}

void SignalPublicApi::CollectPii(const std::map<std::string, std::string>& data) {
    if (data.empty()) {
        Log::Debug(Signal::LOG_PREFIX, "Could not trigger PII, the data is empty");
        return;
    }
    auto eventData = std::make_shared<EventData>();
    eventData->PutStringMap(SignalConstants::CONTEXT_DATA, data);
    eventHub_->Dispatch(EventBuilder("Collect PII", EventType::SIGNAL, EventSource::REQUEST_CONTENT)
                            .SetData(eventData)
                            .Build());
    Log::Debug(Signal::LOG_PREFIX, "Collect PII event was dispatched");
}

}  // namespace NuvraMobile
