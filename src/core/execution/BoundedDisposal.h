#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace NuvraMobile {

/**
 * The one way to wait for something to be disposed (a hit queue, a module's executor, the hub, a set of
 * services): no wait in the system is unbounded, and none spins.
 *
 * `dispose` is called with the time it may take, in slices of at most one second, until it reports that
 * it is done or `limit` has passed. A call that gives up before its slice is over is not repeated before
 * the slice ends. When time is up, a warning under `logTag` names `what` (it goes on ending by itself)
 * and the result is false. An error thrown by `dispose` is logged and ends the wait with false. A zero
 * limit calls `dispose` once with no time, only to start the disposal, and logs nothing; a limit too
 * large for the clock waits for ever.
 */
bool DisposeWithin(std::chrono::milliseconds limit, const std::function<bool(std::chrono::milliseconds)>& dispose,
                   const char* logTag, const std::string& what) noexcept;

/** How long a module's unregistration waits for its hit queue to stop. */
constexpr std::chrono::milliseconds MODULE_HIT_QUEUE_DISPOSE_LIMIT{30000};

}  // namespace NuvraMobile
