#include "core/module/ModuleEventProcessorBase.h"

namespace NuvraMobile {

void ModuleEventProcessorBase::Init(const std::shared_ptr<Module>& module) { attachment_.Attach(module); }

void ModuleEventProcessorBase::CallOnRegistered() { attachment_.MarkRegistered(); }

void ModuleEventProcessorBase::CallOnUnregistered() { attachment_.MarkUnregistered(); }

std::shared_ptr<Module> ModuleEventProcessorBase::GetParentModule() { return attachment_.GetModule(); }

}  // namespace NuvraMobile
