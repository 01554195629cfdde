#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"
#include "platformShim/ThreadingServiceInterface.h"

namespace NuvraMobile {

class Event;
class EventData;

/** An executor that forwards to another and counts the tasks it is given. Any thread. */
class CountingExecutor : public Object, public virtual TaskExecutorInterface {
public:
    explicit CountingExecutor(std::shared_ptr<TaskExecutorInterface> inner);

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override;
    bool DisposeImpl(std::chrono::milliseconds timeout) override;
    bool IsDisposed() override;

    std::size_t GetAddedCount() const;

private:
    const std::shared_ptr<TaskExecutorInterface> inner_;
    std::atomic<std::size_t> added_{0};
};

/**
 * The default threading service, with every executor it makes wrapped in a CountingExecutor and
 * kept for the test to inspect. Any thread.
 */
class RecordingThreadingService : public Object, public virtual ThreadingServiceInterface {
public:
    RecordingThreadingService();

    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) override;
    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) override;

    std::vector<std::shared_ptr<CountingExecutor>> GetExecutors() const;

private:
    std::shared_ptr<TaskExecutorInterface> Keep(std::shared_ptr<TaskExecutorInterface> executor);

    const std::shared_ptr<ThreadingServiceInterface> inner_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<CountingExecutor>> executors_;
};

/** The threads of this process now. */
std::size_t CountProcessThreads();

/** An event of type custom and source none, with a pair id when one is given. */
std::shared_ptr<Event> MakeTestEvent(const std::string& name, const std::string& pairId = "");

/** Event data with one string entry "value". */
std::shared_ptr<EventData> MakeStateData(const std::string& value);

}  // namespace NuvraMobile
