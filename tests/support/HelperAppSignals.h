#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace NuvraMobile {

/**
 * What the helper apps that tests start as processes of their own (an app that exits, an app that disposes)
 * share: waiting for a flag their loopback server sets, and telling the test when a step happened.
 */
namespace HelperAppSignals {

/** True once `flag` is set; false after 30 s, the helper app then fails with its own status. */
inline bool WaitFor(const std::atomic<bool>& flag) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!flag.load()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

/** Prints `word` and the steady clock's time (CLOCK_MONOTONIC) in nanoseconds. */
inline void PrintNow(const char* word) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%s %lld\n", word,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
}

}  // namespace HelperAppSignals
}  // namespace NuvraMobile
