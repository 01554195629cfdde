#include "core/execution/ExecutorShutdown.h"

#include "core/execution/BoundedDisposal.h"
#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds DESTRUCTION_DISPOSE_LIMIT{5000};

thread_local const RunningTaskMark* innermostMark = nullptr;

}  // namespace

RunningTaskMark::RunningTaskMark(const void* owner) : owner_(owner), outer_(innermostMark) {
    innermostMark = this;
}

RunningTaskMark::~RunningTaskMark() { innermostMark = outer_; }

bool RunningTaskMark::IsRunningTaskOf(const void* owner) {
    for (const RunningTaskMark* mark = innermostMark; mark != nullptr; mark = mark->outer_) {
        if (mark->owner_ == owner) {
            return true;
        }
    }
    return false;
}

bool RunningTaskMark::IsRunningAnyTask() { return innermostMark != nullptr; }

std::chrono::steady_clock::time_point DisposeDeadline(std::chrono::milliseconds timeout) {
    return DisposeDeadline(std::chrono::steady_clock::now(), timeout);
}

std::chrono::steady_clock::time_point DisposeDeadline(std::chrono::steady_clock::time_point now,
                                                      std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    auto longest = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    return timeout >= longest ? Clock::time_point::max() : now + timeout;
}

void DisposeOnDestruction(const void* owner, const std::function<bool(std::chrono::milliseconds)>& dispose,
                          const char* logTag) noexcept {
    if (RunningTaskMark::IsRunningTaskOf(owner)) {
        TrySwallow([&] { dispose(std::chrono::milliseconds(0)); });
        return;
    }
    DisposeWithin(DESTRUCTION_DISPOSE_LIMIT, dispose, logTag, "Destroyed while a task still runs: that task");
}

}  // namespace NuvraMobile
