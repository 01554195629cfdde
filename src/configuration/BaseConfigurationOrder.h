#pragma once

#include <cstdint>
#include <string>

#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Which base configuration the app asked for last: an app id's file or a file of its own. Each base the
 * app asks for stands over every base asked before it, so the fetch of an app id's file, which may end long
 * after a later request, applies only while no base was asked after it; its text may still be cached for
 * its app id. The fetch of the saved app id that a launch or a lifecycle start makes counts as asked before
 * the app's own calls: it applies only while the app has asked for no base in this run, or for that same
 * app id.
 *
 * Each request is given a ticket when the module hears it, which is event order; the fetched text carries
 * its request's ticket back. Threads: the hub's listener calls; its own mutex.
 */
class BaseConfigurationOrder {
public:
    using Ticket = int64_t;
    /** The ticket of a fetch that never applies. */
    static constexpr Ticket kNeverApplies = 0;

    /** Notes the app's request for the file of `appId`, or for a file of its own when empty; its ticket. */
    Ticket HearAppRequest(const std::string& appId) NVR_EXCLUDES(mutex_);
    /** The ticket of a fetch of the saved `appId`. */
    Ticket HearSavedAppIdFetch(const std::string& appId) const NVR_EXCLUDES(mutex_);
    /** Whether what was fetched for the ticket still applies: no base was asked after its request. */
    bool Stands(Ticket ticket) const NVR_EXCLUDES(mutex_);

private:
    mutable Mutex mutex_;
    /** The ticket of the base that stands; the launch's own base has the first. */
    Ticket latest_ NVR_GUARDED_BY(mutex_) = 1;
    bool appAsked_ NVR_GUARDED_BY(mutex_) = false;
    /** The app id the app asked for last, empty when its last base was a file. */
    std::string appIdAsked_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
