#pragma once

#include <atomic>
#include <memory>

#include "util/Mutex.h"

namespace NuvraMobile {

class Module;

// The tie of a listener, dispatcher or processor to its module: a weak reference to the module and
// the flags that say whether the module has told it of its registration and of its unregistration,
// which drops the reference. Any thread.
class ModuleAttachment {
public:
    void Attach(const std::shared_ptr<Module>& module) {
        MutexLock lock(mutex_);
        module_ = module;
    }

    // The module, or null when it is gone or was dropped.
    std::shared_ptr<Module> GetModule() const {
        MutexLock lock(mutex_);
        return module_.lock();
    }

    void MarkRegistered() { registered_.store(true); }

    void MarkUnregistered() {
        unregistered_.store(true);
        MutexLock lock(mutex_);
        module_.reset();
    }

    bool IsRegistered() const { return registered_.load(); }
    bool IsUnregistered() const { return unregistered_.load(); }

private:
    mutable Mutex mutex_;
    std::weak_ptr<Module> module_ NVR_GUARDED_BY(mutex_);
    std::atomic<bool> registered_{false};
    std::atomic<bool> unregistered_{false};
};

}  // namespace NuvraMobile
