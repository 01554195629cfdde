#include "core/module/Module.h"

#include <chrono>

#include "core/execution/ExecutorShutdown.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/hub/EventHub.h"
#include "core/module/HitSenderInterface.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventDispatcherBase.h"
#include "core/module/ModuleEventListenerBase.h"
#include "core/module/ModuleEventProcessorBase.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds NO_WAIT{0};

bool IsUnregisteringOrLater(ModuleState state) { return state >= ModuleState::UNREGISTERING; }

}  // namespace

Module::Module(std::string moduleName) : name_(std::move(moduleName)) {}

Module::~Module() = default;

bool Module::IsRegistered() {
    MutexLock lock(mutex_);
    return state_ == ModuleState::REGISTERED;
}

bool Module::IsInternal() const { return dynamic_cast<const InternalModule*>(this) != nullptr; }

void Module::OnRegistered() {}

void Module::OnUnregistered() {}

std::size_t Module::CountRequestsLeftWaiting() { return 0; }

bool Module::ForwardsUnexpectedErrors() const { return false; }

void Module::HandleUnexpectedError(const SdkError&) {}

std::shared_ptr<Module> Module::Self() { return std::static_pointer_cast<Module>(shared_from_this()); }

void Module::UnregisterModule() {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::REGISTERED) {
        return;
    }
    state_ = ModuleState::UNREGISTERING;
    if (eventHub_) {
        eventHub_->RequestIdle();
    }
}

void Module::AddTaskToQueue(const std::string& taskName, const Task& task) {
    AddTaskToQueue(taskName, task, ModuleTaskOptions());
}

void Module::AddTaskToQueue(const std::string& taskName, const Task& task, const ModuleTaskOptions& options) {
    if (const char* dropWarning = QueueTask(taskName, task, options)) {
        Log::Warning(GetSharedStateName().c_str(), dropWarning, taskName);
    }
}

const char* Module::QueueTask(const std::string& taskName, const Task& task,
                              const ModuleTaskOptions& options) {
    MutexLock lock(mutex_);
    if (state_ == ModuleState::CONSTRUCTED) {
        return "Dropping task scheduled during construction. Task: \"%s\"";
    }
    if (IsUnregisteringOrLater(state_) && !options.keepAfterUnregister) {
        // Not counted: what is queued then comes from the unregistration itself (the answers of the requests
        // it cuts short, whose hits stay stored) or from a task it let end, whose own work is done.
        return nullptr;
    }
    if (taskExecutor_) {
        auto self = Self();
        const bool normalTask = !options.keepAfterUnregister;
        ++tasksInProgress_;
        const bool queued = taskExecutor_->AddTask(
            [self, task, normalTask] {
                TryFinally([&] { self->RunTask(task, normalTask); }, [&] { self->EndTaskInProgress(); });
            },
            [self](std::string failedTaskName, SdkError& error) {
                Log::Warning(self->GetSharedStateName().c_str(),
                             "Task threw an error.\nTask: \"%s\"\nError:\n%s", failedTaskName,
                             error.GetMessage());
            },
            taskName);
        if (!queued) {
            --tasksInProgress_;
        }
    }
    return nullptr;
}

void Module::EndTaskInProgress() {
    MutexLock lock(mutex_);
    --tasksInProgress_;
}

bool Module::HasTasksInProgress() {
    MutexLock lock(mutex_);
    return tasksInProgress_ > 0;
}

int64_t Module::DroppedTaskCount() {
    MutexLock lock(mutex_);
    return droppedTasks_;
}

int64_t Module::DroppedWaitingRequestCount() {
    MutexLock lock(mutex_);
    return droppedWaitingRequests_;
}

void Module::RunTask(const Task& task, bool normalTask) {
    // Marked as the hub's work: a Dispose of the hub from here only starts it, as from a hub task, since
    // waiting here would hold up this module's own unregistration.
    RunningTaskMark mark(GetEventHub().get());
    if (normalTask && !StartNormalTask()) {
        return;
    }
    TryFinally(task, [this, normalTask] {
        if (normalTask) {
            EndNormalTask();
        }
    });
}

bool Module::StartNormalTask() {
    MutexLock lock(mutex_);
    if (IsUnregisteringOrLater(state_)) {
        // Counted, not logged one by one: the hub says what its disposal dropped in one line.
        ++droppedTasks_;
        return false;
    }
    normalTaskRunning_ = true;
    return true;
}

void Module::EndNormalTask() {
    MutexLock lock(mutex_);
    normalTaskRunning_ = false;
    // The hub-side unregistration waits for this task to end.
    if ((state_ == ModuleState::UNREGISTERING || state_ == ModuleState::COMPLETING_NORMAL_TASKS) && eventHub_) {
        eventHub_->RequestIdle();
    }
}

std::shared_ptr<PlatformServicesInterface> Module::GetPlatformServices() {
    MutexLock lock(mutex_);
    return platformServices_;
}

std::shared_ptr<EventHub> Module::GetEventHub() {
    MutexLock lock(mutex_);
    return eventHub_;
}

std::shared_ptr<EventHub> Module::GetHubIfRegistered() {
    MutexLock lock(mutex_);
    return state_ == ModuleState::REGISTERED ? eventHub_ : nullptr;
}

void Module::CreateSharedState(int32_t version, const std::shared_ptr<EventData>& data) {
    if (auto hub = GetHubIfRegistered()) {
        hub->CreateSharedState(Self(), version, data);
    }
}

void Module::UpdateSharedState(int32_t version, const std::shared_ptr<EventData>& data) {
    if (auto hub = GetHubIfRegistered()) {
        hub->UpdateSharedState(Self(), version, data);
    }
}

void Module::CreateOrUpdateSharedState(int32_t version, const std::shared_ptr<EventData>& data) {
    if (auto hub = GetHubIfRegistered()) {
        hub->CreateOrUpdateSharedState(Self(), version, data);
    }
}

void Module::CreateOrUpdateSharedState(const std::shared_ptr<EventData>& data) {
    if (auto hub = GetHubIfRegistered()) {
        hub->CreateOrUpdateSharedState(Self(), data);
    }
}

void Module::ClearSharedStates() {
    if (auto hub = GetHubIfRegistered()) {
        hub->ClearSharedStates(Self());
    }
}

std::shared_ptr<EventData> Module::GetSharedEventState(const std::string& stateName,
                                                       const std::shared_ptr<Event>& event) {
    auto hub = GetHubIfRegistered();
    return hub ? hub->GetSharedEventState(stateName, event, Self()) : nullptr;
}

bool Module::HasSharedEventState(const std::string& stateName) {
    auto hub = GetHubIfRegistered();
    return hub && hub->HasSharedEventState(stateName);
}

void Module::CreateSharedStateAndDispatchEvent(const std::shared_ptr<EventData>& data,
                                               const std::shared_ptr<Event>& event) {
    if (auto hub = GetEventHub()) {
        hub->CreateSharedStateAndDispatchEvent(Self(), data, event);
    }
}

void Module::RegisterRule(const std::shared_ptr<Rule>& rule) {
    if (auto hub = GetEventHub()) {
        hub->RegisterRule(Self(), rule);
    }
}

void Module::UnregisterAllRules() {
    if (auto hub = GetEventHub()) {
        hub->UnregisterAllRules(Self());
    }
}

void Module::ReplaceRulesSet(const std::vector<std::shared_ptr<Rule>>& rules) {
    if (auto hub = GetEventHub()) {
        hub->ReplaceRulesSet(Self(), rules);
    }
}

void Module::RegisterListener(const std::shared_ptr<ModuleEventListenerBase>& listener,
                              const std::shared_ptr<EventType>& type,
                              const std::shared_ptr<EventSource>& source) {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::REGISTERED) {
        return;
    }
    const ListenerKey key(type.get(), source.get());
    auto registered = listeners_.find(key);
    if (registered != listeners_.end()) {
        auto replaced = std::move(registered->second);
        listeners_.erase(registered);
        EnqueueCallback([replaced] { replaced->CallOnUnregistered(); });
    }
    if (listener) {
        listener->Init(Self(), type, source);
        listeners_.emplace(key, listener);
        EnqueueCallback([listener] { listener->CallOnRegistered(); });
    }
}

void Module::RegisterWildCardListener(const std::shared_ptr<ModuleEventListenerBase>& listener) {
    RegisterListener(listener, EventType::WILDCARD, EventSource::WILDCARD);
}

void Module::UnregisterListener(const std::shared_ptr<EventType>& type,
                                const std::shared_ptr<EventSource>& source) {
    RegisterListener(nullptr, type, source);
}

void Module::UnregisterWildCardListener() { RegisterWildCardListener(nullptr); }

void Module::RegisterDispatcher(const std::shared_ptr<ModuleEventDispatcherBase>& dispatcher) {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::REGISTERED || !dispatcher) {
        return;
    }
    dispatcher->Init(Self(), eventHub_);
    dispatchers_.push_back(dispatcher);
    EnqueueCallback([dispatcher] { dispatcher->CallOnRegistered(); });
}

void Module::RegisterProcessor(const std::shared_ptr<ModuleEventProcessorBase>& processor) {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::REGISTERED || !processor) {
        return;
    }
    processor->Init(Self());
    processors_.push_back(processor);
    EnqueueCallback([processor] { processor->CallOnRegistered(); });
}

void Module::RegisterOneTimeListenerBlock(const std::shared_ptr<EventType>&,
                                          const std::shared_ptr<EventSource>&, const std::string&,
                                          const EventCallback&) {
    Log::Error(name_.c_str(), "RegisterOneTimeListenerBlock - this should never be called");
}

void Module::OnEventHubRegisteredModule(const std::shared_ptr<EventHub>& hub,
                                        const std::shared_ptr<PlatformServicesInterface>& platformServices,
                                        const std::shared_ptr<TaskExecutorInterface>& executor) {
    MutexLock lock(mutex_);
    eventHub_ = hub;
    platformServices_ = platformServices;
    taskExecutor_ = executor;
    state_ = ModuleState::REGISTERED;
    // Only this module runs its callbacks, from its own member functions, so they need not own it.
    EnqueueCallback([this] {
        TryCatch([this] { OnRegistered(); },
                 [this](SdkError& error) {
                     Log::Error(name_.c_str(), "An error occured while registering the module %s %s", name_,
                                error.GetMessage());
                 });
    });
}

void Module::EnqueueCallback(Callback callback) {
    if (state_ == ModuleState::CONSTRUCTED || state_ == ModuleState::UNREGISTERED) {
        return;
    }
    callbacks_.push_back(std::move(callback));
    if (eventHub_) {
        eventHub_->RequestIdle();
    }
}

bool Module::DoCommonEventHubThreadWork() {
    mutex_.Lock();
    while (!callbacks_.empty()) {
        Callback callback = std::move(callbacks_.front());
        callbacks_.pop_front();
        mutex_.Unlock();
        TrySwallow(callback);
        mutex_.Lock();
    }
    if (state_ == ModuleState::CONSTRUCTED || state_ == ModuleState::REGISTERED) {
        return true;
    }
    mutex_.Unlock();
    CompleteUnregistrationIfNeeded();
    return false;
}

void Module::Idle() {
    if (DoCommonEventHubThreadWork()) {
        mutex_.Unlock();
    }
}

bool Module::ProcessEvent(const std::shared_ptr<Event>& event, std::shared_ptr<Event>& replacement) {
    if (!event) {
        return false;
    }
    if (!DoCommonEventHubThreadWork()) {
        return false;
    }
    MutexLock lock(mutex_, std::adopt_lock);
    if (state_ != ModuleState::REGISTERED || processors_.empty()) {
        return false;
    }
    const auto processors = processors_;
    lock.Unlock();
    replacement = event;
    for (const auto& processor : processors) {
        if (!replacement) {
            break;
        }
        RunGuarded("External module threw an exception processing: \n%s",
                   [&] { replacement = processor->Process(replacement); });
    }
    return true;
}

void Module::NotifyListeners(const std::shared_ptr<Event>& event) {
    // Responses paired with a request reach only one-time and wildcard listeners.
    if (!event || !event->GetPairID().empty()) {
        return;
    }
    NotifyListenerFor(ListenerKey(event->GetEventType().get(), event->GetEventSource().get()), event);
}

void Module::NotifyWildCardListener(const std::shared_ptr<Event>& event) {
    if (!event) {
        return;
    }
    NotifyListenerFor(ListenerKey(EventType::WILDCARD.get(), EventSource::WILDCARD.get()), event);
}

void Module::NotifyListenerFor(const ListenerKey& key, const std::shared_ptr<Event>& event) {
    if (!DoCommonEventHubThreadWork()) {
        return;
    }
    MutexLock lock(mutex_, std::adopt_lock);
    if (state_ != ModuleState::REGISTERED) {
        return;
    }
    auto registered = listeners_.find(key);
    if (registered == listeners_.end()) {
        return;
    }
    const auto listener = registered->second;
    lock.Unlock();
    RunGuarded("External module threw an exception listening: \n%s", [&] { listener->Hear(event); });
}

void Module::RunGuarded(const char* errorFormat, const std::function<void()>& action) {
    TryCatch(action, [this, errorFormat](SdkError& error) {
        if (ForwardsUnexpectedErrors()) {
            Log::Debug(GetSharedStateName().c_str(), errorFormat, error.GetMessage());
            HandleUnexpectedError(error);
        }
    });
}

void Module::CompleteUnregistrationIfNeeded() {
    CompleteUnregistrationIfNeeded_UNREGISTERING();
    CompleteUnregistrationIfNeeded_COMPLETING_NORMAL_TASKS();
    CompleteUnregistrationIfNeeded_DISPOSING_EXECUTOR();
}

void Module::CompleteUnregistrationIfNeeded_UNREGISTERING() {
    MutexLock lock(mutex_);
    // A running task may be inside one of the listeners (an extension's listener that unregisters its
    // own module): they are let go only once it has ended, which requests another idle turn.
    if (state_ != ModuleState::UNREGISTERING || normalTaskRunning_) {
        return;
    }
    const auto listeners = std::exchange(listeners_, {});
    const auto dispatchers = std::exchange(dispatchers_, {});
    const auto processors = std::exchange(processors_, {});
    lock.Unlock();
    for (const auto& listener : listeners) {
        TrySwallow([&] { listener.second->CallOnUnregistered(); });
    }
    for (const auto& dispatcher : dispatchers) {
        TrySwallow([&] { dispatcher->CallOnUnregistered(); });
    }
    for (const auto& processor : processors) {
        TrySwallow([&] { processor->CallOnUnregistered(); });
    }
    lock.Lock();
    state_ = ModuleState::COMPLETING_NORMAL_TASKS;
}

void Module::CompleteUnregistrationIfNeeded_COMPLETING_NORMAL_TASKS() {
    {
        MutexLock lock(mutex_);
        // A running normal task requests another idle turn when it ends.
        if (state_ != ModuleState::COMPLETING_NORMAL_TASKS || normalTaskRunning_) {
            return;
        }
    }
    // No normal task runs from now on, so what still waits in the module's queues is never handled; counted
    // before OnUnregistered queues the tasks that run on during the unregistration.
    std::size_t leftWaiting = 0;
    TrySwallow([this, &leftWaiting] { leftWaiting = CountRequestsLeftWaiting(); });
    TrySwallow([this] { OnUnregistered(); });
    // Before the unregistration tasks wait for the hit queues stopped above.
    AbortRequests();
    MutexLock lock(mutex_);
    droppedWaitingRequests_ = static_cast<int64_t>(leftWaiting);
    state_ = ModuleState::WAITING_FOR_LAST_TASK;
    // The last task runs behind every task already queued; normal ones among them are dropped.
    auto self = Self();
    if (!taskExecutor_ || !taskExecutor_->AddTask([self] { self->RunLastTask(); })) {
        // An executor that refuses the last task will never run it: go on without it.
        state_ = ModuleState::DISPOSING_EXECUTOR;
    }
}

void Module::StopBeforeAbort(const std::shared_ptr<HitSenderInterface>& sender) {
    if (!sender) {
        return;
    }
    {
        MutexLock lock(mutex_);
        if (!sendingStopped_) {
            hitSenders_.push_back(sender);
            return;
        }
    }
    TrySwallow([&sender] { sender->StopSending(); });
}

void Module::AbortRequests() {
    std::shared_ptr<PlatformServicesInterface> platformServices;
    std::vector<std::weak_ptr<HitSenderInterface>> senders;
    {
        MutexLock lock(mutex_);
        sendingStopped_ = true;
        senders = hitSenders_;
        platformServices = platformServices_;
    }
    // An aborted request looks like a refused one: only a stopped sender keeps the hit in hand. Every call
    // stops them all, since another call may have taken the list and not yet stopped them.
    for (const auto& weakSender : senders) {
        if (const auto sender = weakSender.lock()) {
            TrySwallow([&sender] { sender->StopSending(); });
        }
    }
    const auto network = platformServices ? platformServices->GetNetworkService() : nullptr;
    if (network) {
        TrySwallow([&network] { network->Dispose(0); });
    }
}

void Module::RunLastTask() {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::WAITING_FOR_LAST_TASK) {
        return;
    }
    state_ = ModuleState::DISPOSING_EXECUTOR;
    const auto executor = taskExecutor_;
    const auto hub = eventHub_;
    lock.Unlock();
    executor->Dispose(NO_WAIT);
    if (hub) {
        hub->RequestIdle();
    }
}

void Module::CompleteUnregistrationIfNeeded_DISPOSING_EXECUTOR() {
    MutexLock lock(mutex_);
    if (state_ != ModuleState::DISPOSING_EXECUTOR) {
        return;
    }
    const auto executor = taskExecutor_;
    lock.Unlock();
    if (executor && !executor->Dispose(NO_WAIT)) {
        return;
    }
    lock.Lock();
    // Another hub-side entry may have finished the stage meanwhile.
    if (state_ != ModuleState::DISPOSING_EXECUTOR || !eventHub_) {
        return;
    }
    const auto hub = std::exchange(eventHub_, nullptr);
    const auto platformServices = platformServices_;
    lock.Unlock();
    // Disposed without the module mutex, which tasks and callbacks of the services may need.
    if (platformServices) {
        platformServices->Dispose(NO_WAIT);
    }
    hub->OnModuleUnregistered(Self());
    lock.Lock();
    state_ = ModuleState::UNREGISTERED;
}

}  // namespace NuvraMobile
