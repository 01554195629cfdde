#pragma once

#include <memory>

#include "core/module/ModuleEventDispatcher.h"
#include "userprofile/UserProfile.h"

namespace NuvraMobile {

class EventData;

/** Sends "UserProfile Response Event" (userProfile, responseProfile), without a pair id; any thread. */
class UserProfileDispatcher : public ModuleEventDispatcher<UserProfile> {
public:
    using ModuleEventDispatcherBase::Dispatch;

    virtual void Dispatch(const std::shared_ptr<EventData>& data);
};

}  // namespace NuvraMobile
