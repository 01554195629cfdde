#include "support/IdentityStandIn.h"

#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {
namespace {

class IdentityStandInBootListener : public ModuleEventListener<IdentityStandIn> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (auto module = GetParentModule()) {
            auto data = std::make_shared<EventData>();
            data->PutString("mid", module->GetVisitorId());
            module->CreateSharedState(event->GetEventNumber(), data);
        }
    }
};

}  // namespace

IdentityStandIn::IdentityStandIn(std::string visitorId)
    : InternalModule(SHARED_STATE_NAME), visitorId_(std::move(visitorId)) {}

void IdentityStandIn::OnRegistered() {
    RegisterListener<IdentityStandInBootListener>(EventType::HUB, EventSource::BOOTED);
}

}  // namespace NuvraMobile
