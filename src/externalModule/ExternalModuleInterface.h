#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class ExternalModuleServicesInterface;
class SdkError;

/**
 * What an extension written outside the system supplies to join the event hub as one module. The
 * hub asks for the name on the thread that registers the extension; OnRegister, OnUnregister and
 * OnUnexpectedError are called by the module that wraps it (see ExternalModule for the threads).
 * Anything an operation throws is caught by the caller.
 */
class ExternalModuleInterface : public virtual ObjectInterface {
public:
    /** Names the module and its shared state; must not be empty. */
    virtual std::string GetModuleName() = 0;
    virtual std::string GetModuleVersion() = 0;
    /** Once, after registration: the services through which the extension talks to the core. */
    virtual void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) = 0;
    /** Every failure inside the extension's callbacks, or of work done for it after a call returned. */
    virtual void OnUnexpectedError(SdkError& error) = 0;
    /** Once, during unregistration, after its listeners were unregistered. */
    virtual void OnUnregister() = 0;
};

}  // namespace NuvraMobile
