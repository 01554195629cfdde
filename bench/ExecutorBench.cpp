#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "SmokeRun.h"

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/execution/Timer.h"

namespace NuvraMobile {
namespace {

constexpr int TASKS_PER_PROXY = 200000;

/** Counts down to zero; the last task of each queue calls Done. */
class Completion {
public:
    explicit Completion(int count) : remaining_(count) {}
    void Done() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (--remaining_ == 0) {
            condition_.notify_all();
        }
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [this] { return remaining_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    int remaining_;
};

/** Empty tasks through `proxyCount` sequential proxies on one "master" pool, one producer per proxy. */
void SequentialProxies(benchmark::State& state) {
    const int proxyCount = static_cast<int>(state.range(0));
    auto master = DefaultThreadingServiceInterface::Create()->CreateParallelTaskExecutor("master");
    std::vector<std::shared_ptr<ProxyTaskExecutorInterface>> proxies;
    for (int i = 0; i < proxyCount; ++i) {
        proxies.push_back(ProxyTaskExecutorInterface::CreateSequential("queue" + std::to_string(i), master));
    }
    for (auto _ : state) {
        Completion completion(proxyCount);
        std::vector<std::thread> producers;
        for (const auto& proxy : proxies) {
            producers.emplace_back([&proxy, &completion] {
                for (int i = 1; i < TASKS_PER_PROXY; ++i) {
                    proxy->AddTask([] {});
                }
                proxy->AddTask([&completion] { completion.Done(); });
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
        completion.Wait();
    }
    state.SetItemsProcessed(state.iterations() * proxyCount * TASKS_PER_PROXY);
    for (const auto& proxy : proxies) {
        proxy->Dispose(std::chrono::milliseconds(1000));
    }
    master->Dispose(std::chrono::milliseconds(1000));
}
BENCHMARK(SequentialProxies)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/** CPU used by the whole process while a pool and three timers wait with nothing due. */
void IdlePoolWithThreeTimers(benchmark::State& state) {
    const auto IDLE_TIME =
        RealOrSmoke<std::chrono::milliseconds>(std::chrono::seconds(10), std::chrono::milliseconds(100));
    auto master = DefaultThreadingServiceInterface::Create()->CreateParallelTaskExecutor("master");
    std::vector<std::shared_ptr<Timer>> timers;
    for (int i = 0; i < 3; ++i) {
        timers.push_back(Timer::Create());
        timers.back()->Schedule([] {}, std::chrono::system_clock::now() + std::chrono::hours(1));
    }
    double cpuPercent = 0;
    for (auto _ : state) {
        double cpuBefore = ProcessCpuSeconds();
        std::this_thread::sleep_for(IDLE_TIME);
        double cpuSeconds = ProcessCpuSeconds() - cpuBefore;
        cpuPercent = 100.0 * cpuSeconds / std::chrono::duration<double>(IDLE_TIME).count();
    }
    state.counters["cpu_percent_of_one_core"] = cpuPercent;
    for (const auto& timer : timers) {
        timer->Cancel(std::chrono::milliseconds(1000));
    }
    master->Dispose(std::chrono::milliseconds(1000));
}
BENCHMARK(IdlePoolWithThreeTimers)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace NuvraMobile
