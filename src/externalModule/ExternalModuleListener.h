#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "externalModule/ExternalModule.h"

namespace NuvraMobile {

/**
 * The hub-side listener behind one listener interface of an extension: it only forwards its hub
 * callbacks to its ExternalModule, which matches it to the interface. Runs where the hub calls
 * listeners (see ModuleEventListenerBase); once the module is gone it logs and does nothing.
 */
class ExternalModuleListener : public ModuleEventListener<ExternalModule> {
public:
    static constexpr const char* LOG_TAG = "ExternalModuleListener";

    void Hear(const std::shared_ptr<Event>& event) override;
    void OnRegistered() override;
    void OnUnregistered() override;

private:
    std::shared_ptr<ExternalModuleListener> Self();
};

}  // namespace NuvraMobile
