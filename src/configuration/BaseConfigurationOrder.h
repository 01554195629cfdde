#pragma once

#include <set>
#include <string>

#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Which base configuration the app asked for last, an app id's file or a file of its own, and which app ids'
 * files are being fetched. Each base the app asks for stands over every base asked before it, so the file
 * fetched for an app id, which may come long after a later request, applies only while the app's last base
 * is still that app id; the saved app id that a launch or a lifecycle start fetches counts as asked before
 * the app's own calls. A file of the app's that cannot be read is no base: the one before it still stands.
 *
 * The module notes each base on its task queue, so in event order; the fetches read it from their own
 * threads to give up once their file no longer applies. Requests for an app id whose file is being fetched
 * share that fetch. Any thread; its own mutex.
 */
class BaseConfigurationOrder {
public:
    /** The app asked for the file of `appId`, or stood a file of its own when empty. */
    void Ask(const std::string& appId) NVR_EXCLUDES(mutex_);
    /**
     * Whether the file of `appId` applies: the app asked for no base in this run, or its last is that app id.
     */
    bool Wants(const std::string& appId) const NVR_EXCLUDES(mutex_);
    /**
     * Notes a fetch of `appId`'s file; false when one is already under way, which the request then shares.
     */
    bool StartFetch(const std::string& appId) NVR_EXCLUDES(mutex_);
    /**
     * Ends the fetch of `appId`'s file if that file no longer applies (true): it hands nothing back, and a
     * later request for the app id starts a fetch of its own rather than share one that gave up.
     */
    bool GiveUpFetchUnlessWanted(const std::string& appId) NVR_EXCLUDES(mutex_);
    /** The fetch of `appId`'s file has ended with what it had; a later request starts another. */
    void EndFetch(const std::string& appId) NVR_EXCLUDES(mutex_);
    bool IsFetching(const std::string& appId) const NVR_EXCLUDES(mutex_);

private:
    bool WantsLocked(const std::string& appId) const NVR_REQUIRES(mutex_);

    mutable Mutex mutex_;
    bool appAsked_ NVR_GUARDED_BY(mutex_) = false;
    /** The app id the app asked for last, empty when its last base was a file. */
    std::string appIdAsked_ NVR_GUARDED_BY(mutex_);
    std::set<std::string> fetchesUnderWay_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
