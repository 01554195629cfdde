#include "externalModule/ExternalModuleServicesImpl.h"

#include "externalModule/ExternalModule.h"

namespace NuvraMobile {

ExternalModuleServicesImpl::ExternalModuleServicesImpl(const std::shared_ptr<ExternalModule>& module)
    : module_(module) {}

void ExternalModuleServicesImpl::RegisterListener(
    const std::shared_ptr<ExternalModuleListenerInterface>& listener, const std::string& eventTypeName,
    const std::string& eventSourceName) {
    if (auto module = module_.lock()) {
        module->ExternalServices_RegisterListener(listener, eventTypeName, eventSourceName);
    }
}

void ExternalModuleServicesImpl::RegisterWildcardListener(
    const std::shared_ptr<ExternalModuleListenerInterface>& listener) {
    if (auto module = module_.lock()) {
        module->ExternalServices_RegisterWildcardListener(listener);
    }
}

void ExternalModuleServicesImpl::SetSharedEventState(const std::string& state,
                                                     const std::shared_ptr<Event>& event) {
    if (auto module = module_.lock()) {
        module->ExternalServices_SetSharedEventState(state, event);
    }
}

void ExternalModuleServicesImpl::ClearSharedEventStates() {
    if (auto module = module_.lock()) {
        module->ExternalServices_ClearSharedEventStates();
    }
}

std::shared_ptr<std::string> ExternalModuleServicesImpl::GetSharedEventState(
    const std::string& stateOwner, const std::shared_ptr<Event>& event) {
    auto module = module_.lock();
    return module ? module->ExternalServices_GetSharedEventState(stateOwner, event) : nullptr;
}

void ExternalModuleServicesImpl::UnregisterModule() {
    if (auto module = module_.lock()) {
        module->ExternalServices_UnregisterModule();
    }
}

}  // namespace NuvraMobile
