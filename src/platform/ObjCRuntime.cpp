#include "platform/ObjCRuntime.h"

#include <exception>

#include "core/values/Object.h"

namespace NuvraMobile {

namespace {

class ObjCTaskScopeHook : public Object, public TaskScopeHookInterface {
public:
    void RunInScope(const std::function<void()>& work) const override { RunInObjCScope(work); }
};

}  // namespace

// In C++ here rather than in Objective-C++: only a C++ frame can tell a C++ exception from an
// Objective-C one on this runtime.
void RunInObjCScope(const std::function<void()>& work) {
    ObjCRuntime::RegisterCurrentThread();
    void* pool = ObjCRuntime::PushReleasePool();
    try {
        work();
    } catch (...) {
        // Only a C++ exception has an exception pointer; asking a foreign (Objective-C) exception for
        // its C++ type reads memory that is not there.
        if (std::current_exception()) {
            ObjCRuntime::PopReleasePool(pool);
        }
        throw;
    }
    ObjCRuntime::PopReleasePool(pool);
}

std::shared_ptr<const TaskScopeHookInterface> CreateObjCTaskScopeHook() {
    return std::make_shared<ObjCTaskScopeHook>();
}

}  // namespace NuvraMobile
