#pragma once

#include <string>
#include <utility>

#include "core/module/Module.h"

namespace NuvraMobile {

// Base of every built-in module and of the module that wraps an extension; adds nothing to Module
// but marks the module as internal (Module::IsInternal).
class InternalModule : public Module {
public:
    explicit InternalModule(std::string moduleName) : Module(std::move(moduleName)) {}
};

}  // namespace NuvraMobile
