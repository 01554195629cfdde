#pragma once

#include <memory>
#include <string>

#include "core/module/InternalModule.h"

namespace NuvraMobile {

/**
 * A module that owns the identity shared state "com.nuvra.module.identity" and publishes it at the
 * hub's boot with the visitor id it was given, as the identity service does once it knows one; for
 * tests and benchmarks of the modules that read that state. Any thread.
 */
class IdentityStandIn : public InternalModule {
public:
    static constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.identity";

    explicit IdentityStandIn(std::string visitorId);
    std::string GetSharedStateName() const override { return SHARED_STATE_NAME; }
    const std::string& GetVisitorId() const { return visitorId_; }

protected:
    void OnRegistered() override;

private:
    const std::string visitorId_;
};

}  // namespace NuvraMobile
