#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "pivora/Pivora.h"

namespace NuvraMobile {

// The five listeners through which the hub reaches the personalisation module. They run on the hub's
// workers, read only the event and call one module operation (which queues a task), or none.

/** (pivora, requestContent): loads, prefetches, displays, clicks, view notifications, restart link. */
class PivoraListenerRequestContent : public ModuleEventListener<Pivora> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (pivora, requestIdentity): sets the third party id, or asks for both ids. */
class PivoraListenerRequestIdentity : public ModuleEventListener<Pivora> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (pivora, requestReset): resets the identity and/or clears the prefetch cache. */
class PivoraListenerRequestReset : public ModuleEventListener<Pivora> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (generic.data, os): launch data that may carry a preview deep link. */
class PivoraListenerGenericDataOS : public ModuleEventListener<Pivora> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (configuration, responseContent): a new configuration, for the privacy status. */
class PivoraListenerConfigurationResponseContent : public ModuleEventListener<Pivora> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
