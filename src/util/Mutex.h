#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "util/ThreadAnnotations.h"

namespace NuvraMobile {

/**
 * A mutex the thread-safety analysis knows as a lock, so that members can be declared NVR_GUARDED_BY it.
 * Take it with MutexLock; Lock and Unlock are for the rare section that is not a scope.
 */
class NVR_CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock() NVR_ACQUIRE() { mutex_.lock(); }
    void Unlock() NVR_RELEASE() { mutex_.unlock(); }

    /** Tells the analysis that the caller holds the lock where it cannot see it (a callback run under it). */
    void AssertHeld() const NVR_THREAD_ANNOTATION(assert_capability(this)) {}

private:
    friend class MutexLock;
    std::mutex mutex_;
};

/**
 * A Mutex that its holder may take again, for the lock whose section runs code that can come back into
 * it (a reset hook whose failure asks for another reset). Take it with RecursiveMutexLock.
 */
class NVR_CAPABILITY("mutex") RecursiveMutex {
public:
    RecursiveMutex() = default;
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

private:
    friend class RecursiveMutexLock;
    std::recursive_mutex mutex_;
};

/** Holds a RecursiveMutex for its scope. */
class NVR_SCOPED_CAPABILITY RecursiveMutexLock {
public:
    explicit RecursiveMutexLock(RecursiveMutex& mutex) NVR_ACQUIRE(mutex) : lock_(mutex.mutex_) {}
    ~RecursiveMutexLock() NVR_RELEASE() {}
    RecursiveMutexLock(const RecursiveMutexLock&) = delete;
    RecursiveMutexLock& operator=(const RecursiveMutexLock&) = delete;

private:
    std::lock_guard<std::recursive_mutex> lock_;
};

/**
 * Holds a Mutex for its scope. It can let go and take the lock again inside the scope, and waits on a
 * std::condition_variable, which releases the lock while waiting and holds it again on return; callers
 * test their condition in a loop around Wait, where the analysis sees the lock held.
 */
class NVR_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) NVR_ACQUIRE(mutex) : lock_(mutex.mutex_) {}
    /** Takes over a lock the caller already holds. */
    MutexLock(Mutex& mutex, std::adopt_lock_t) NVR_REQUIRES(mutex) : lock_(mutex.mutex_, std::adopt_lock) {}
    ~MutexLock() NVR_RELEASE() {}
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void Unlock() NVR_RELEASE() { lock_.unlock(); }
    void Lock() NVR_ACQUIRE() { lock_.lock(); }

    void Wait(std::condition_variable& condition) { condition.wait(lock_); }

    /** Returns false once `deadline` has passed. */
    template <class Clock, class Duration>
    bool WaitUntil(std::condition_variable& condition,
                   const std::chrono::time_point<Clock, Duration>& deadline) {
        return condition.wait_until(lock_, deadline) == std::cv_status::no_timeout;
    }

private:
    std::unique_lock<std::mutex> lock_;
};

}  // namespace NuvraMobile
