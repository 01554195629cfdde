#pragma once

#include <memory>
#include <utility>

#include "core/module/ModuleEventListenerBase.h"
#include "util/Log.h"

namespace NuvraMobile {

// A listener bound to a module of class M. Concrete listeners are named after the module, the word
// Listener, the event type and the event source, and hand the event to one handler of M.
template <class M>
class ModuleEventListener : public ModuleEventListenerBase {
public:
    // The parent as M, or null when it is gone or is not an M.
    std::shared_ptr<M> GetParentModule() { return std::dynamic_pointer_cast<M>(GetParentModuleImpl()); }

protected:
    // Calls handler(M&) with the parent module, or logs "Parent module not available" with logTag.
    template <class Handler>
    void WithParentModule(const char* logTag, Handler&& handler) {
        if (auto module = GetParentModule()) {
            std::forward<Handler>(handler)(*module);
        } else {
            Log::Error(logTag, "Parent module not available");
        }
    }
};

}  // namespace NuvraMobile
