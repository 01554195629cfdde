#pragma once

#include <chrono>
#include <functional>

namespace NuvraMobile {

/**
 * Marks the calling thread, for the mark's lifetime, as running work of `owner` (an executor's data,
 * a timer). Marks nest: a task of a proxy runs inside a job of its parent. Each thread sees only its own
 * marks, so any thread may use them without locking.
 */
class RunningTaskMark {
public:
    explicit RunningTaskMark(const void* owner);
    ~RunningTaskMark();
    RunningTaskMark(const RunningTaskMark&) = delete;
    RunningTaskMark& operator=(const RunningTaskMark&) = delete;

    /** True when the calling thread is inside a mark of `owner`. */
    static bool IsRunningTaskOf(const void* owner);
    /** True when the calling thread is inside any mark: it runs a task on one of the SDK's own threads. */
    static bool IsRunningAnyTask();

private:
    const void* owner_;
    const RunningTaskMark* outer_;
};

/** now + `timeout` on the steady clock, saturating, so that a huge timeout means "wait for ever". */
std::chrono::steady_clock::time_point DisposeDeadline(std::chrono::milliseconds timeout);
/** As above, from the given now. */
std::chrono::steady_clock::time_point DisposeDeadline(std::chrono::steady_clock::time_point now,
                                                      std::chrono::milliseconds timeout);

/**
 * The disposal of an executor or timer that is being destroyed, which must neither hang nor leave
 * threads behind that touch freed memory (they keep the data they use alive themselves).
 *
 * Inside one of the owner's own tasks the running task can never end while we wait, so disposal is only
 * started. Elsewhere it is disposed within a bounded time (DisposeWithin); a task that runs longer is
 * logged under `logTag` and left to finish on its own.
 */
void DisposeOnDestruction(const void* owner, const std::function<bool(std::chrono::milliseconds)>& dispose,
                          const char* logTag) noexcept;

}  // namespace NuvraMobile
