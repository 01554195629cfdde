#pragma once

// Measures a benchmark against a reference in the same run, alternating the two within each iteration
// so that both see the same machine, and reports their ratio next to its target as counters:
// "x_reference" (reference time / own time, larger is faster) and "target".
#include <benchmark/benchmark.h>

#include <chrono>

namespace NuvraMobile {

// `prepare`, untimed, runs before each pair: the setting up that neither side should be charged for.
template <typename Own, typename Reference, typename Prepare>
void RunAgainstReference(benchmark::State& state, double target, Own own, Reference reference, Prepare prepare) {
    using Clock = std::chrono::steady_clock;
    double ownSeconds = 0;
    double referenceSeconds = 0;
    for (auto _ : state) {
        prepare();
        const auto start = Clock::now();
        reference();
        const auto middle = Clock::now();
        own();
        const auto end = Clock::now();
        referenceSeconds += std::chrono::duration<double>(middle - start).count();
        const double seconds = std::chrono::duration<double>(end - middle).count();
        ownSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["x_reference"] = ownSeconds > 0 ? referenceSeconds / ownSeconds : 0;
    state.counters["target"] = target;
}

template <typename Own, typename Reference>
void RunAgainstReference(benchmark::State& state, double target, Own own, Reference reference) {
    RunAgainstReference(state, target, own, reference, [] {});
}

}  // namespace NuvraMobile
