#pragma once

#include <memory>

#include "core/module/ModuleEventListener.h"
#include "userprofile/UserProfile.h"

namespace NuvraMobile {

// The four listeners through which the hub reaches the User profile module. They run on the hub's
// workers, check the event and call one handler of the module, which queues a task.

/** (rulesEngine, responseContent): "csp" consequences with a detail. */
class UserProfileListenerRulesResponseContent : public ModuleEventListener<UserProfile> {
public:
    static constexpr const char* RULES_CONSEQUENCE_KEY_CSP = "csp";

    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (userProfile, requestProfile): attribute updates. */
class UserProfileListenerRequestProfile : public ModuleEventListener<UserProfile> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (hub, booted): loads and publishes the stored attributes. */
class UserProfileListenerBootEvent : public ModuleEventListener<UserProfile> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

/** (userProfile, requestReset): removal of one attribute. */
class UserProfileListenerRequestReset : public ModuleEventListener<UserProfile> {
public:
    void Hear(const std::shared_ptr<Event>& event) override;
};

}  // namespace NuvraMobile
