#pragma once

namespace NuvraMobile {

/**
 * What sends a module's stored hits (a hit queue), as the module's base sees it: it is stopped before any
 * abort of the module's requests, so that the hit in hand keeps its row and no later one is taken. Stop may
 * be called from any thread, also while the module runs one of its tasks or the sender is in a request: it
 * never waits for either, and a second call changes nothing.
 */
class HitSenderInterface {
public:
    virtual ~HitSenderInterface() = default;

    virtual void StopSending() = 0;
};

}  // namespace NuvraMobile
