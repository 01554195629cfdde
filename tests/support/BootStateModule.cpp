#include "support/BootStateModule.h"

#include <utility>

#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {

namespace {

class BootStateListener : public ModuleEventListener<BootStateModule> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (auto module = GetParentModule()) {
            module->Publish(event->GetEventNumber());
        }
    }
};

}  // namespace

BootStateModule::BootStateModule(const std::string& stateName, std::shared_ptr<EventData> data)
    : InternalModule(stateName), data_(std::move(data)) {}

void BootStateModule::Publish(int32_t eventNumber) { CreateSharedState(eventNumber, data_); }

void BootStateModule::OnRegistered() { RegisterListener<BootStateListener>(EventType::HUB, EventSource::BOOTED); }

}  // namespace NuvraMobile
