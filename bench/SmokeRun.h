#pragma once

// scripts/bench --smoke sets NVR_BENCH_SMOKE and runs every benchmark once, briefly, only to show that
// each runs and reports no error. A benchmark that fixes its own time, iterations or sizes gives them
// through these: the real run's, and the small ones of a smoke run.
#include <cstdlib>

namespace NuvraMobile {

inline bool IsSmokeRun() {
    static const bool smoke = std::getenv("NVR_BENCH_SMOKE") != nullptr;
    return smoke;
}

template <typename T>
T RealOrSmoke(T real, T smoke) {
    return IsSmokeRun() ? smoke : real;
}

/** A benchmark's own minimum time in seconds; a hundredth of a second in a smoke run. */
inline double MinTimeOrSmoke(double seconds) { return RealOrSmoke(seconds, 0.01); }

}  // namespace NuvraMobile
