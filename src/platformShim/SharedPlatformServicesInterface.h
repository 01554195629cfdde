#pragma once

#include <chrono>
#include <memory>

#include "core/values/Object.h"

namespace NuvraMobile {

class PlatformServicesInterface;

// The services shared by every core of the process. Each core, and each module registration, gets its
// own PlatformServicesInterface from CreatePlatformServices: network and remote-file services of its
// own, every other getter forwarding to the shared services. May be called from any thread.
class SharedPlatformServicesInterface : public virtual ObjectInterface {
public:
    virtual bool Dispose(std::chrono::milliseconds timeout) = 0;
    virtual std::shared_ptr<PlatformServicesInterface> CreatePlatformServices() = 0;
};

}  // namespace NuvraMobile
