#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "signal/Signal.h"

namespace NuvraMobile {

// The two listeners through which the hub reaches the Signal module. They run on the hub's workers,
// read only the event and call one handler of the module, which queues a task.

/** (configuration, responseContent): every configuration response is a privacy update. */
class SignalListenerConfigurationResponseContent : public ModuleEventListener<Signal> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (rulesEngine, responseContent): picks the "pb", "pii" and "url" consequences. */
class SignalListenerRulesEngineResponseContent : public ModuleEventListener<Signal> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
