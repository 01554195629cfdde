// Costs of logging: a call below the current level, and formatting a typical line.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "core/values/Object.h"
#include "platformShim/LoggingServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Counts heap allocations so that the benchmarks can report them per call. g++ cannot see that the
// replaced operator new allocates with malloc and warns about the matching free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace NuvraMobile {
namespace {

constexpr const char* TYPICAL_FORMAT =
    "Event #%d (%s) resulted in %d consequence events.  Time in rules was %d milliseconds.";

class DiscardingLoggingService : public Object, public virtual LoggingServiceInterface {
public:
    void Debug(const std::string&, const std::string&) const override {}
    void Warning(const std::string&, const std::string&) const override {}
    void Error(const std::string&, const std::string&) const override {}
    void Trace(const std::string&, const std::string&) const override {}
};

void ReportAllocations(benchmark::State& state, long before) {
    state.counters["allocations_per_call"] = benchmark::Counter(
        static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
}

void BM_SuppressedDebugLine(benchmark::State& state) {
    Log::SetLoggingService(std::make_shared<DiscardingLoggingService>());
    Log::SetLogLevel(LoggingMode::Error);
    const std::string eventName = "com.nuvra.eventType.generic.track";
    int eventNumber = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        Log::Debug("EventHub", "Event #%d (%s) resulted in %d consequence events.", eventNumber, eventName,
                   3);
        benchmark::DoNotOptimize(++eventNumber);
    }
    ReportAllocations(state, before);
    Log::SetLoggingService(nullptr);
}
BENCHMARK(BM_SuppressedDebugLine);

void BM_FormatTypicalLine(benchmark::State& state) {
    const std::string eventName = "com.nuvra.eventType.generic.track";
    int eventNumber = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        std::string line = StringUtils::FormatString(TYPICAL_FORMAT, ++eventNumber, eventName, 3, 12);
        benchmark::DoNotOptimize(line);
    }
    ReportAllocations(state, before);
}
BENCHMARK(BM_FormatTypicalLine);

}  // namespace
}  // namespace NuvraMobile
