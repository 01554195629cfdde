#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "util/Mutex.h"

namespace NuvraMobile {

class ConfigurationData;
class EventData;
class Module;

/**
 * Where each configuration request puts its version of the configuration shared state. A request
 * that changes the configuration reserves a pending version at its own event number as soon as the
 * module hears it, so that every event dispatched after the request waits for the configuration the
 * request leaves instead of reading the one before it; the request's task then fills that version,
 * with the new configuration or, when nothing changed, with the one that stands.
 *
 * A publication that reserved nothing (the boot's) creates its version when it publishes. When a
 * later request has already reserved its own, the publication is carried by that later version
 * instead: the later task runs after this one and starts from the configuration it left. No event
 * ever has a carried configuration, so nothing may act on it: its publisher sends no answer of its
 * own, and the later version's answer carries what stands.
 *
 * While the first configuration is fetched, a request's version can be held: it stays pending, its readers
 * waiting, until the configuration that comes is published in it with the overrides that stood at the
 * request.
 *
 * Threads: Reserve runs on the hub's listener call, the others on the module's task queue or the
 * booted event's listener call. The mutex is held while a version is written through the owner, so
 * that a reservation falls wholly before or wholly after each check and write of a publication.
 */
class ConfigurationStateVersions {
public:
    /** `owner` writes the versions; it outlives this object. */
    explicit ConfigurationStateVersions(Module& owner);

    /** Creates the pending version at `version`, to be filled by Publish or RollBack. */
    void Reserve(int32_t version) NVR_EXCLUDES(mutex_);
    /**
     * Fills the reserved version, or creates one, with the configuration published for that event; false
     * when a later version carries it instead.
     */
    bool Publish(int32_t version, const std::shared_ptr<EventData>& configuration) NVR_EXCLUDES(mutex_);
    /**
     * Readers at `version` see the configuration that stands: a version still reserved and not held is filled
     * so (also for a task that ended without filling it); any other needs nothing.
     */
    void RollBack(int32_t version) NVR_EXCLUDES(mutex_);
    /** Keeps the reserved version pending, with the overrides that stood at its request, until TakeHeld. */
    void Hold(int32_t version, std::shared_ptr<ConfigurationData> overrides) NVR_EXCLUDES(mutex_);
    /** The held versions, oldest first, with their overrides; still reserved, for Publish or RollBack. */
    std::map<int32_t, std::shared_ptr<ConfigurationData>> TakeHeld() NVR_EXCLUDES(mutex_);
    /**
     * Forgets and returns the versions still reserved, held ones included, for an owner that can no longer
     * fill them.
     */
    std::set<int32_t> TakeReserved() NVR_EXCLUDES(mutex_);

private:
    /** True when a version later than `version` is reserved. */
    bool IsSuperseded(int32_t version) const NVR_REQUIRES(mutex_);
    void RollBackReserved(int32_t version) NVR_REQUIRES(mutex_);

    Module& owner_;
    Mutex mutex_;
    std::set<int32_t> reserved_ NVR_GUARDED_BY(mutex_);
    std::map<int32_t, std::shared_ptr<ConfigurationData>> held_ NVR_GUARDED_BY(mutex_);
    /** A publication carried by the next reserved version, when its own version was superseded. */
    std::shared_ptr<EventData> carried_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
