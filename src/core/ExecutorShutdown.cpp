#include "core/ExecutorShutdown.h"

#include "core/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds DISPOSE_SLICE{1000};
constexpr int DISPOSE_SLICES_BEFORE_GIVING_UP = 5;

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

std::chrono::steady_clock::time_point DisposeDeadline(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point now = Clock::now();
    auto longest = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    return timeout >= longest ? Clock::time_point::max() : now + timeout;
}

void DisposeOnDestruction(const void* owner, const std::function<bool(std::chrono::milliseconds)>& dispose,
                          const char* logTag) noexcept {
    TrySwallow([&] {
        if (RunningTaskMark::IsRunningTaskOf(owner)) {
            dispose(std::chrono::milliseconds(0));
            return;
        }
        for (int slice = 0; slice < DISPOSE_SLICES_BEFORE_GIVING_UP; ++slice) {
            if (dispose(DISPOSE_SLICE)) {
                return;
            }
        }
        Log::Error(logTag, "Destroyed while a task still runs after %s ms; it will finish on its own.",
                   DISPOSE_SLICE.count() * DISPOSE_SLICES_BEFORE_GIVING_UP);
    });
}

}  // namespace NuvraMobile
