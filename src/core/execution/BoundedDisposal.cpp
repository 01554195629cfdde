#include "core/execution/BoundedDisposal.h"

#include <algorithm>
#include <thread>

#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

using Clock = std::chrono::steady_clock;

/** The least time between two calls of a callee that gives up before its time is over. */
constexpr std::chrono::milliseconds RETRY_PAUSE{1000};

std::chrono::milliseconds TimeUntil(Clock::time_point end, Clock::time_point now) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(end - now),
                    std::chrono::milliseconds(0));
}

/** Calls `dispose` until it is done or `deadline` has passed; true when it is done. */
bool RetryUntil(Clock::time_point deadline, const std::function<bool(std::chrono::milliseconds)>& dispose,
                const DisposalClock& clock) {
    for (;;) {
        const Clock::time_point callStart = clock.now();
        if (dispose(TimeUntil(deadline, callStart))) {
            return true;
        }
        if (clock.now() >= deadline) {
            return false;
        }
        // A dispose that ignores its time must not turn the wait into a busy loop.
        const Clock::time_point retryAt =
            deadline - callStart > RETRY_PAUSE ? callStart + RETRY_PAUSE : deadline;
        clock.sleepUntil(retryAt);
        if (retryAt >= deadline) {
            return false;
        }
    }
}

}  // namespace

const DisposalClock& DisposalClock::Steady() {
    // Never destroyed: disposals run from destructors of statics too.
    static const auto* const steady = new DisposalClock{
        [] { return Clock::now(); }, [](Clock::time_point until) { std::this_thread::sleep_until(until); }};
    return *steady;
}

bool DisposeWithin(std::chrono::milliseconds limit,
                   const std::function<bool(std::chrono::milliseconds)>& dispose, const char* logTag,
                   const std::string& what, const DisposalClock& clock) noexcept {
    bool disposed = false;
    bool failed = false;
    TryCatch([&] { disposed = RetryUntil(DisposeDeadline(clock.now(), limit), dispose, clock); },
             [&](SdkError& error) {
                 failed = true;
                 Log::Warning(logTag, "Disposing %s failed: %s", what, error.GetMessage());
             });
    if (!disposed && !failed && limit > std::chrono::milliseconds(0)) {
        Log::Warning(logTag, "%s did not end within %s ms; it is left to end on its own.", what,
                     static_cast<long long>(limit.count()));
    }
    return disposed;
}

}  // namespace NuvraMobile
