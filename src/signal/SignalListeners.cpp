#include "signal/SignalListeners.h"

#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {

void SignalListenerConfigurationResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Signal::LOG_PREFIX, [&](Signal& module) {
        const auto data = event->GetData();
        if (!data) {
            Log::Error(Signal::LOG_PREFIX, "Configuration data is null. Ignoring event");
            return;
        }
        module.UpdatePrivacyStatus(PrivacyStatusInConfiguration(data).value_or(MobilePrivacyStatus::UNKNOWN));
    });
}

void SignalListenerRulesEngineResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Signal::LOG_PREFIX, [&](Signal& module) {
        const auto data = event->GetData();
        if (!data) {
            Log::Debug(Signal::LOG_PREFIX, "Event data is null. Ignoring event");
            return;
        }
        const auto consequence =
            data->GetTypedObject<Consequence>(SignalConstants::RulesEngine::CONSEQUENCE_TRIGGERED);
        if (!consequence.HasValue() || !consequence.Value()) {
            Log::Debug(Signal::LOG_PREFIX, "Triggered rule is not Signal type. Ignoring event.");
            return;
        }
        const std::string& type = consequence.Value()->GetType();
        if (type == SignalConstants::RULES_CONSEQUENCE_TYPE_POSTBACKS ||
            type == SignalConstants::RULES_CONSEQUENCE_TYPE_PII) {
            if (consequence.Value()->GetId().empty()) {
                Log::Debug(Signal::LOG_PREFIX, "Triggered rule has no consequence id. Ignoring event.");
                return;
            }
            module.HandleSignalConsequenceEvent(event);
        } else if (type == SignalConstants::RULES_CONSEQUENCE_TYPE_OPEN_URL) {
            module.HandleOpenUrlConsequence(consequence.Value()->GetDetail());
        }
    });
}

}  // namespace NuvraMobile
