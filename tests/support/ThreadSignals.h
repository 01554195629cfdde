#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace NuvraMobile {

/** Generous bound for waits that should end at once; reached only when the code under test is broken. */
constexpr std::chrono::seconds SIGNAL_TIMEOUT{10};

/** A counter that threads raise and wait on. Thread-safe. */
class SignalCounter {
public:
    /** Notifies under the lock, so that a waiter may destroy the counter as soon as it wakes. */
    void Raise() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        condition_.notify_all();
    }

    int Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

    /** True once the count reaches `target` within `timeout`. */
    bool WaitFor(int target, std::chrono::milliseconds timeout = SIGNAL_TIMEOUT) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return condition_.wait_for(lock, timeout, [&] { return count_ >= target; });
    }

    /** Blocks until the count reaches `target`, however long that takes. */
    void WaitForever(int target) const {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [&] { return count_ >= target; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable condition_;
    int count_ = 0;
};

/** A one-way gate: waiters block until it opens. Thread-safe. */
class Gate {
public:
    void Open() { opened_.Raise(); }

    /** True once the gate opens within `timeout`: for a test waiting on something that happens at once. */
    bool Wait(std::chrono::milliseconds timeout = SIGNAL_TIMEOUT) const {
        return opened_.WaitFor(1, timeout);
    }

    /**
     * Blocks until the gate opens: for a task the test holds back. No deadline, since under load a held
     * task that let itself go would free its thread early and change what the test counts; a gate never
     * opened hangs the test until its time limit.
     */
    void Hold() const { opened_.WaitForever(1); }

private:
    SignalCounter opened_;
};

/** Polls `condition` until it holds or `timeout` passes; for states nothing signals. */
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = SIGNAL_TIMEOUT) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

/**
 * Raises `counter` when the calling thread exits: call from a task to learn when its worker has ended.
 * One registration per thread.
 */
inline void RaiseOnThreadExit(SignalCounter& counter) {
    struct ExitSignal {
        SignalCounter* counter = nullptr;
        ~ExitSignal() {
            if (counter != nullptr) {
                counter->Raise();
            }
        }
    };
    thread_local ExitSignal exitSignal;
    exitSignal.counter = &counter;
}

}  // namespace NuvraMobile
