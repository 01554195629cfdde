#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "externalModule/ExternalModuleServicesInterface.h"

namespace NuvraMobile {

class ExternalModule;

/**
 * The services an extension receives in OnRegister: each call goes unchanged to the ExternalModule's
 * ExternalServices_ operation of the same name. The extension may keep this object after its module
 * is gone, so it holds the module weakly: from then on writes do nothing and reads return empty.
 * Any thread.
 */
class ExternalModuleServicesImpl : public Object, public virtual ExternalModuleServicesInterface {
public:
    explicit ExternalModuleServicesImpl(const std::shared_ptr<ExternalModule>& module);

    void RegisterListener(const std::shared_ptr<ExternalModuleListenerInterface>& listener,
                          const std::string& eventTypeName, const std::string& eventSourceName) override;
    void RegisterWildcardListener(const std::shared_ptr<ExternalModuleListenerInterface>& listener) override;
    void SetSharedEventState(const std::string& state, const std::shared_ptr<Event>& event) override;
    void ClearSharedEventStates() override;
    std::shared_ptr<std::string> GetSharedEventState(const std::string& stateOwner,
                                                     const std::shared_ptr<Event>& event) override;
    void UnregisterModule() override;

private:
    const std::weak_ptr<ExternalModule> module_;
};

}  // namespace NuvraMobile
