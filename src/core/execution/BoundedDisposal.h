#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace NuvraMobile {

/** The clock a bounded disposal reads and the pause it takes between calls; tests hand in their own. */
struct DisposalClock {
    std::function<std::chrono::steady_clock::time_point()> now;
    std::function<void(std::chrono::steady_clock::time_point)> sleepUntil;

    /** The steady clock and a real sleep. */
    static const DisposalClock& Steady();
};

/**
 * The one way to wait for something to be disposed (a hit queue, a module's executor, the hub, a set of
 * services): no wait in the system is unbounded, and none spins.
 *
 * `dispose` is called with all the time left until `limit` has passed, until it reports that it is done
 * or that time is up: a callee that splits its time (the hub gives its drain a share) sees the whole
 * limit at once. A call that gives up before its time is over is repeated with what is left, but not
 * before a second has passed since it began (nor after the deadline). When time is up, a warning under
 * `logTag` names `what` (it goes on ending by itself) and the result is false. An error thrown by
 * `dispose` is logged and ends the wait with false. A zero limit calls `dispose` once with no time, only
 * to start the disposal, and logs nothing; a limit too large for the clock waits for ever.
 */
bool DisposeWithin(std::chrono::milliseconds limit,
                   const std::function<bool(std::chrono::milliseconds)>& dispose, const char* logTag,
                   const std::string& what, const DisposalClock& clock = DisposalClock::Steady()) noexcept;

/** How long a module's unregistration waits for its hit queue to stop. */
constexpr std::chrono::milliseconds MODULE_HIT_QUEUE_DISPOSE_LIMIT{30000};

}  // namespace NuvraMobile
