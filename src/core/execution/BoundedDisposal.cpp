#include "core/execution/BoundedDisposal.h"

#include <algorithm>
#include <thread>

#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds DISPOSE_SLICE{1000};

std::chrono::milliseconds TimeUntil(Clock::time_point end, Clock::time_point now) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(end - now),
                    std::chrono::milliseconds(0));
}

}  // namespace

bool DisposeWithin(std::chrono::milliseconds limit, const std::function<bool(std::chrono::milliseconds)>& dispose,
                   const char* logTag, const std::string& what) noexcept {
    bool disposed = false;
    bool failed = false;
    TryCatch(
        [&] {
            const Clock::time_point deadline = DisposeDeadline(limit);
            for (Clock::time_point now = Clock::now();; now = Clock::now()) {
                const Clock::time_point sliceEnd =
                    deadline - now > DISPOSE_SLICE ? now + DISPOSE_SLICE : deadline;
                disposed = dispose(TimeUntil(sliceEnd, now));
                if (disposed || Clock::now() >= deadline) {
                    return;
                }
                // A dispose that ignores its time must not turn the wait into a busy loop.
                std::this_thread::sleep_until(sliceEnd);
                if (sliceEnd >= deadline) {
                    return;
                }
            }
        },
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
