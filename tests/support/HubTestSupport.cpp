#include "support/HubTestSupport.h"

#include <filesystem>
#include <utility>

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {

CountingExecutor::CountingExecutor(std::shared_ptr<TaskExecutorInterface> inner) : inner_(std::move(inner)) {}

bool CountingExecutor::AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) {
    ++added_;
    return inner_->AddTask(std::move(task), std::move(errorCallback), name);
}

bool CountingExecutor::DisposeImpl(std::chrono::milliseconds timeout) { return inner_->Dispose(timeout); }

bool CountingExecutor::IsDisposed() { return inner_->IsDisposed(); }

std::size_t CountingExecutor::GetAddedCount() const { return added_.load(); }

RecordingThreadingService::RecordingThreadingService() : inner_(DefaultThreadingServiceInterface::Create()) {}

std::shared_ptr<TaskExecutorInterface> RecordingThreadingService::CreateSequentialTaskExecutor(
    const std::string& name) {
    return Keep(inner_->CreateSequentialTaskExecutor(name));
}

std::shared_ptr<TaskExecutorInterface> RecordingThreadingService::CreateParallelTaskExecutor(
    const std::string& name) {
    return Keep(inner_->CreateParallelTaskExecutor(name));
}

std::shared_ptr<TaskExecutorInterface> RecordingThreadingService::Keep(
    std::shared_ptr<TaskExecutorInterface> executor) {
    auto counting = std::make_shared<CountingExecutor>(std::move(executor));
    std::lock_guard<std::mutex> lock(mutex_);
    executors_.push_back(counting);
    return counting;
}

std::vector<std::shared_ptr<CountingExecutor>> RecordingThreadingService::GetExecutors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return executors_;
}

std::size_t CountProcessThreads() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)entry;
        ++count;
    }
    return count;
}

std::shared_ptr<Event> MakeTestEvent(const std::string& name, const std::string& pairId) {
    return EventBuilder(name, EventType::CUSTOM, EventSource::NONE).SetPairID(pairId).Build();
}

std::shared_ptr<EventData> MakeStateData(const std::string& value) {
    auto data = std::make_shared<EventData>();
    data->PutString("value", value);
    return data;
}

}  // namespace NuvraMobile
