#include "core/hub/EventHubInner.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "core/execution/AppCalls.h"
#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/execution/ExecutorShutdown.h"
#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/execution/Timer.h"
#include "core/hub/OneTimeListener.h"
#include "core/hub/ParallelModulePass.h"
#include "core/hub/RulesEngineInterface.h"
#include "core/module/Module.h"
#include "core/module/ModulePlatformServices.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/ThreadingServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* STATE_CHANGE = "STATE_CHANGE_EVENT";
constexpr const char* SHARED_STATE_OWNER_KEY = "stateowner";
constexpr const char* BOOTED_EVENT_NAME = "EventHub";
constexpr const char* LOG_PROVIDED_MODULE_WAS_NULL = "Provided module was null";
constexpr const char* LOG_PROVIDED_EVENT_WAS_NULL = "Provided event was null";
constexpr const char* INVALID_ARGUMENT = "general.invalid_argument";

constexpr std::chrono::milliseconds MAX_PROCESSOR_TIME{100};
constexpr std::chrono::milliseconds MAX_LISTENER_TIME{100};
constexpr std::chrono::milliseconds MAX_IDLE_TIME{100};
/** How long a module pass may leave modules waiting behind a slow one before another worker joins. */
constexpr std::chrono::milliseconds PASS_STALL_THRESHOLD{5};
/** How often a pass held up by a module over its budget names that module in the log. */
constexpr std::chrono::milliseconds PASS_OVERRUN_REPORT_INTERVAL{3000};
constexpr std::chrono::milliseconds DEFAULT_DISPOSE_TIMEOUT{5000};
/** Longest wait between two disposal checks while modules unregister. */
constexpr std::chrono::milliseconds MODULE_CHECK_INTERVAL{1000};
/** How often a drain looks whether the work of earlier events has ended. */
constexpr std::chrono::milliseconds DRAIN_CHECK_INTERVAL{5};
/** Executors and the timer do not tell the hub when their threads have ended, so it looks often. */
constexpr std::chrono::milliseconds EXECUTOR_CHECK_INTERVAL{10};

/**
 * The one-time listeners of the process by pair id. One map serves every hub, so it has a lock of
 * its own: two hubs alive at once (during a reset) never touch it under different locks.
 */
class OneTimeListenerRegistry {
public:
    using Listeners = std::vector<std::shared_ptr<ModuleEventListenerBase>>;

    static OneTimeListenerRegistry& Instance() {
        // Never destroyed: a detached worker may still hand out a response during process exit.
        static auto* registry = new OneTimeListenerRegistry();
        return *registry;
    }

    void Clear() {
        MutexLock lock(mutex_);
        byPairId_.clear();
    }

    void Add(const std::string& pairId, std::shared_ptr<ModuleEventListenerBase> listener) {
        MutexLock lock(mutex_);
        byPairId_[pairId].push_back(std::move(listener));
    }

    Listeners Take(const std::string& pairId) {
        MutexLock lock(mutex_);
        auto found = byPairId_.find(pairId);
        if (found == byPairId_.end()) {
            return {};
        }
        Listeners listeners = std::move(found->second);
        byPairId_.erase(found);
        return listeners;
    }

private:
    Mutex mutex_;
    std::map<std::string, Listeners> byPairId_ NVR_GUARDED_BY(mutex_);
};

std::string NameOf(const std::shared_ptr<Module>& module) { return module ? module->GetModuleName() : ""; }

void RequireEvent(const std::shared_ptr<Event>& event) {
    if (!event) {
        Throw(SdkError(INVALID_ARGUMENT, LOG_PROVIDED_EVENT_WAS_NULL, CurrentDebugInfo()));
    }
}

void RequireModule(const std::shared_ptr<Module>& module) {
    if (!module) {
        Throw(SdkError(INVALID_ARGUMENT, LOG_PROVIDED_MODULE_WAS_NULL, CurrentDebugInfo()));
    }
}

long long WholeMilliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

}  // namespace

class EventHubInner::EventPass {
public:
    explicit EventPass(std::shared_ptr<EventHubInner> hub) : hub_(std::move(hub)) {}
    EventPass(const EventPass&) = delete;
    EventPass& operator=(const EventPass&) = delete;
    // Never run: the disposal emptied the hub's queue, or the executor refused the pass.
    ~EventPass() {
        if (!ended_) {
            hub_->EndEventPass(true);
        }
    }

    void Run(const std::shared_ptr<Event>& event, const AttachedState& attachedState) {
        RunningTaskMark mark(hub_.get());
        bool handled = true;
        TryFinally([&] { handled = hub_->DoEvent(event, attachedState); },
                   [&] {
                       ended_ = true;
                       hub_->EndEventPass(!handled);
                   });
    }

private:
    const std::shared_ptr<EventHubInner> hub_;
    bool ended_ = false;
};

EventHubInner::EventHubInner(const std::string& name, const PlatformServicesFactory& platformServicesFactory)
    : logPrefix_("EventHub(" + name + ")"),
      modules_(std::make_shared<const ModuleList>()),
      platformServicesFactory_(platformServicesFactory) {
    OneTimeListenerRegistry::Instance().Clear();
    if (!platformServicesFactory_) {
        Throw(SdkError(INVALID_ARGUMENT,
                       "Cannot construct eventhub without a valid platform services factory function",
                       CurrentDebugInfo()));
    }
    auto platformServices = platformServicesFactory_();
    if (!platformServices) {
        Throw(SdkError(INVALID_ARGUMENT, "Cannot construct eventhub without valid platform service",
                       CurrentDebugInfo()));
    }
    idleTimer_ = Timer::Create("EventHub idle", platformServices->GetSystemInfoService());
    auto threadingService = platformServices->GetThreadingService();
    if (!threadingService) {
        threadingService = DefaultThreadingServiceInterface::Create();
    }
    masterExecutor_ = threadingService->CreateParallelTaskExecutor("master");
    hubExecutor_ = ProxyTaskExecutorInterface::CreateSequential("event_hub", masterExecutor_);
    modulePass_ = std::make_shared<ParallelModulePass>(logPrefix_, masterExecutor_, idleTimer_,
                                                       PASS_STALL_THRESHOLD, PASS_OVERRUN_REPORT_INTERVAL);
}

EventHubInner::~EventHubInner() {
    // A hub dropped without a finished disposal must not leave its heartbeat running.
    if (idleTimer_) {
        idleTimer_->Cancel(std::chrono::milliseconds(0));
    }
}

void EventHubInner::Init(std::chrono::milliseconds idlePeriod, const RulesEngineFactory& rulesEngineFactory) {
    auto self = std::static_pointer_cast<EventHubInner>(shared_from_this());
    self_ = self;
    if (rulesEngineFactory) {
        rulesEngine_ = rulesEngineFactory(self);
    }
    // The heartbeat holds the hub weakly: a hub whose disposal never finished can still be destroyed.
    std::weak_ptr<EventHubInner> weakSelf = self;
    idleTimer_->ScheduleAtFixedRate(
        [weakSelf] {
            if (auto hub = weakSelf.lock()) {
                hub->RequestIdle();
            }
        },
        std::chrono::system_clock::now() + idlePeriod, idlePeriod);
}

EventHubInner::State EventHubInner::GetState() const { return static_cast<State>(state_.load()); }

bool EventHubInner::IsDraining() {
    MutexLock lock(passMutex_);
    return draining_;
}

std::shared_ptr<EventHubInner> EventHubInner::Self() const { return self_.lock(); }

void EventHubInner::SetState(State state) {
    state_.store(state);
    if (state != BOOTED) {
        stateCondition_.notify_all();
    }
}

void EventHubInner::FinishModulesRegistration(const std::function<void()>& callback) {
    {
        MutexLock lock(mutex_);
        if (state_ > BOOTED) {
            return;
        }
        if (state_ == REGISTERING) {
            SetState(REGISTRATION_FINISHED);
        }
    }
    RequestIdle();
    auto self = Self();
    hubExecutor_->AddTask([self, callback] {
        RunningTaskMark mark(self.get());
        if (callback) {
            AppCalls::Run("the start callback", callback);
        }
    });
}

void EventHubInner::Dispatch(const std::shared_ptr<Event>& event) {
    RequireEvent(event);
    QueueEventPass(event, AttachedState());
}

void EventHubInner::CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                                      const std::shared_ptr<EventData>& data,
                                                      const std::shared_ptr<Event>& event) {
    RequireEvent(event);
    // Checked here: inside the pass a missing owner would end the event for every module.
    RequireModule(module);
    QueueEventPass(event, AttachedState{module, SharedStateStore::ForPublication(data)});
}

void EventHubInner::QueueEventPass(const std::shared_ptr<Event>& event, AttachedState attachedState) {
    // Events that slip past this check during a concurrent Dispose are dropped when their pass starts.
    if (state_ >= UNREGISTERING_MODULES) {
        return;
    }
    {
        MutexLock lock(passMutex_);
        if (draining_ && !RunningTaskMark::IsRunningTaskOf(this)) {
            return;
        }
        ++passesInProgress_;
        ++passesQueued_;
    }
    hubExecutor_->AddTask([pass = std::make_shared<EventPass>(Self()), event,
                           attachedState = std::move(attachedState)] { pass->Run(event, attachedState); });
}

void EventHubInner::EndEventPass(bool dropped) {
    {
        MutexLock lock(passMutex_);
        --passesInProgress_;
        if (dropped) {
            ++droppedEvents_;
        }
    }
    drainCondition_.notify_all();
}

bool EventHubInner::IsRegisteredModule(const std::string& moduleName) {
    MutexLock lock(mutex_);
    return IsRegisteredModuleLocked(moduleName);
}

bool EventHubInner::IsRegisteredModuleLocked(const std::string& moduleName) const {
    const std::string wanted = StringUtils::ToLower(moduleName);
    return std::any_of(modules_->begin(), modules_->end(), [&wanted](const std::shared_ptr<Module>& module) {
        return StringUtils::ToLower(module->GetModuleName()) == wanted;
    });
}

void EventHubInner::RegisterModule(const std::shared_ptr<Module>& module) {
    RequireModule(module);
    const std::string& name = module->GetModuleName();
    if (name.empty()) {
        Throw(SdkError("external_module.bad_module_name", "Extensions must have a name", CurrentDebugInfo()));
    }
    MutexLock lock(mutex_);
    // Under the lock that adds the module, so two registrations of one name cannot both pass.
    if (IsRegisteredModuleLocked(name)) {
        Throw(SdkError("external_module.dup_module_name", "Name conflicts with previously registered name",
                       CurrentDebugInfo()));
    }
    if (state_ >= UNREGISTERING_MODULES) {
        return;
    }
    auto platformServices = platformServicesFactory_();
    if (!platformServices) {
        Throw(SdkError(INVALID_ARGUMENT, "Cannot register a module without valid platform services",
                       CurrentDebugInfo()));
    }
    auto moduleServices = ModulePlatformServicesInterface::Create(module, platformServices, masterExecutor_);
    auto moduleExecutor =
        moduleServices->GetThreadingService()->CreateSequentialTaskExecutor(name + "/default");
    auto modules = std::make_shared<ModuleList>(*modules_);
    modules->push_back(module);
    modules_ = std::move(modules);
    CallModuleOnEventHubRegisteredModule(module, Self(), moduleServices, moduleExecutor);
}

bool EventHubInner::DoEvent(std::shared_ptr<Event> event, const AttachedState& attachedState) {
    bool sendBooted = false;
    std::shared_ptr<const ModuleList> modules;
    {
        MutexLock lock(mutex_);
        if (state_ > BOOTED) {
            return false;
        }
        if (state_ == REGISTRATION_FINISHED) {
            SetState(BOOTED);
            sendBooted = true;
        }
        modules = modules_;
    }
    NoteTimestamp(*event);
    if (sendBooted) {
        SendBootedEvent(modules);
    }
    NumberEvent(event);
    if (attachedState.owner) {
        const int32_t number = event->GetEventNumber();
        TrySwallow([this, &attachedState, number] {
            WriteSharedState(attachedState.owner, &number, attachedState.data, true, false);
        });
    }
    event = RunProcessingStep(std::move(event), *modules);
    if (!event) {
        return true;
    }
    // Taken before the listeners run, so a response dispatched by a listener cannot overtake them.
    const auto oneTimeListeners = OneTimeListenerRegistry::Instance().Take(event->GetPairID());
    RunListenerStep(event, modules);
    for (const auto& listener : oneTimeListeners) {
        TrySwallow([&listener, &event] { listener->Hear(event); });
    }
    return true;
}

void EventHubInner::NoteTimestamp(const Event& event) {
    const int64_t timestamp = event.GetTimestamp();
    if (timestamp < lastEventTimestamp_) {
        Log::Debug(logPrefix_.c_str(), "Out of order event timestamp (%d) last event timestamp was (%d)",
                   timestamp, lastEventTimestamp_);
    }
    lastEventTimestamp_ = timestamp;
}

void EventHubInner::NumberEvent(const std::shared_ptr<Event>& event) {
    int32_t number;
    {
        MutexLock lock(mutex_);
        number = eventCounter_++;
    }
    CallEventSetEventNumber(event, number);
}

void EventHubInner::SendBootedEvent(const std::shared_ptr<const ModuleList>& modules) {
    auto booted = EventBuilder(BOOTED_EVENT_NAME, EventType::HUB, EventSource::BOOTED).Build();
    NumberEvent(booted);
    booted = RunProcessingStep(std::move(booted), *modules);
    if (booted) {
        RunListenerStep(booted, modules);
    }
}

std::shared_ptr<Event> EventHubInner::RunProcessingStep(std::shared_ptr<Event> event,
                                                        const ModuleList& modules) {
    if (Log::GetLogLevelHint() >= LoggingMode::Trace) {
        Log::Trace(logPrefix_.c_str(), "Processing Event #%d - %s", event->GetEventNumber(),
                   event->ToString(ToStringOptions::Pretty()));
    }
    // One clock reading per step: each step's end is the next one's start.
    auto start = DispatchConsequences(event);
    for (const auto& module : modules) {
        if (!event) {
            break;
        }
        const int32_t number = event->GetEventNumber();
        std::shared_ptr<Event> replacement;
        bool replace = false;
        TrySwallow([&] { replace = CallModuleProcessEvent(module, event, replacement); });
        const auto end = std::chrono::steady_clock::now();
        if (end - start > MAX_PROCESSOR_TIME) {
            Log::Debug(logPrefix_.c_str(), "Module %s processors exceeded runtime limit of %d milliseconds",
                       module->GetModuleName(), static_cast<long long>(MAX_PROCESSOR_TIME.count()));
        }
        start = end;
        if (replace) {
            event = std::move(replacement);
            if (event) {
                CallEventSetEventNumber(event, number);
            }
        }
    }
    return event;
}

std::chrono::steady_clock::time_point EventHubInner::DispatchConsequences(std::shared_ptr<Event>& event) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<Event>> consequences;
    if (rulesEngine_) {
        TrySwallow([this, &event, &consequences] { consequences = rulesEngine_->ProcessRules(event); });
    }
    for (const auto& consequence : consequences) {
        if (consequence) {
            Dispatch(consequence);
        }
    }
    const auto end = std::chrono::steady_clock::now();
    Log::Trace(logPrefix_.c_str(),
               "Event #%d (%s) resulted in %d consequence events.  Time in rules was %d milliseconds.",
               event->GetEventNumber(), event->GetEventType()->GetName(), consequences.size(),
               WholeMilliseconds(end - start));
    return end;
}

void EventHubInner::RunListenerStep(const std::shared_ptr<Event>& event,
                                    const std::shared_ptr<const ModuleList>& modules) {
    // Never throws: the one-time listeners taken out for the event still get it afterwards.
    TrySwallow([this, &event, &modules] {
        modulePass_->Run("Listener", modules, MAX_LISTENER_TIME,
                         [this, event](const std::shared_ptr<Module>& module) {
                             RunningTaskMark mark(this);
                             CallModuleNotifyListeners(module, event);
                         });
    });
}

void EventHubInner::RequestIdle() {
    auto self = Self();
    hubExecutor_->AddTask([self] {
        RunningTaskMark mark(self.get());
        self->DoIdle();
    });
}

void EventHubInner::DoIdle() {
    bool sendBooted = false;
    std::shared_ptr<const ModuleList> modules;
    {
        MutexLock lock(mutex_);
        if (state_ >= DISPOSING_EXECUTORS) {
            return;
        }
        if (state_ == REGISTRATION_FINISHED) {
            SetState(BOOTED);
            sendBooted = true;
        }
        modules = modules_;
    }
    TrySwallow([this, &modules] {
        modulePass_->Run("Idle", modules, MAX_IDLE_TIME, [this](const std::shared_ptr<Module>& module) {
            RunningTaskMark mark(this);
            CallModuleIdle(module);
        });
    });
    if (sendBooted) {
        SendBootedEvent(modules);
    }
}

void EventHubInner::RegisterOneTimeListener(std::size_t, const std::shared_ptr<EventType>&,
                                            const std::shared_ptr<EventSource>&, const std::string& pairId,
                                            const EventCallback& callback) {
    if (state_ >= UNREGISTERING_MODULES) {
        return;
    }
    OneTimeListenerRegistry::Instance().Add(pairId, std::make_shared<OneTimeListener>(callback));
}

void EventHubInner::RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) {
    TryCatch(
        [&] {
            RequireRulesEngine().AddRule(module, rule);
            Log::Trace(logPrefix_.c_str(), "Module (%s) registered rule", NameOf(module));
        },
        [&](SdkError& error) {
            Log::Debug(logPrefix_.c_str(), "Failed to register rule (%s)", error.GetMessage());
        });
}

void EventHubInner::ReplaceRulesSet(const std::shared_ptr<Module>& module,
                                    std::vector<std::shared_ptr<Rule>> rules) {
    TryCatch(
        [&] {
            RequireRulesEngine().ReplaceRulesForModule(module, std::move(rules));
            Log::Trace(logPrefix_.c_str(), "Module (%s) registered rules", NameOf(module));
        },
        [&](SdkError& error) {
            Log::Debug(logPrefix_.c_str(), "Failed to replace rules for module %s (%s)", NameOf(module),
                       error.GetMessage());
        });
}

void EventHubInner::UnregisterAllRules(const std::shared_ptr<Module>& module) {
    if (rulesEngine_) {
        rulesEngine_->RemoveRulesForModule(module);
    }
}

RulesEngineInterface& EventHubInner::RequireRulesEngine() const {
    if (!rulesEngine_) {
        Throw(SdkError("general.unexpected", "This hub was made without a rules engine", CurrentDebugInfo()));
    }
    return *rulesEngine_;
}

std::string EventHubInner::OwnerName(const std::shared_ptr<Module>& module) const {
    RequireModule(module);
    return StringUtils::ToLower(CallModuleGetSharedStateName(module));
}

void EventHubInner::CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                      const std::shared_ptr<EventData>& data) {
    WriteSharedState(module, &version, SharedStateStore::ForPublication(data), true, false);
}

void EventHubInner::UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                      const std::shared_ptr<EventData>& data) {
    WriteSharedState(module, &version, SharedStateStore::ForPublication(data), false, true);
}

void EventHubInner::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                              const std::shared_ptr<EventData>& data) {
    WriteSharedState(module, &version, SharedStateStore::ForPublication(data), true, true);
}

void EventHubInner::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                              const std::shared_ptr<EventData>& data) {
    WriteSharedState(module, nullptr, SharedStateStore::ForPublication(data), true, false);
}

void EventHubInner::WriteSharedState(const std::shared_ptr<Module>& module, const int32_t* version,
                                     const std::shared_ptr<EventData>& publishedData, bool create,
                                     bool update) {
    const std::string owner = OwnerName(module);
    int32_t writtenVersion;
    bool written;
    {
        MutexLock lock(mutex_);
        // Without a version the counter steps once: the state gets the number the next event handled will
        // carry, and the number the counter skipped is never given to any event.
        writtenVersion = version ? *version : ++eventCounter_;
        written = sharedStates_.Write(owner, writtenVersion, publishedData, create, update);
    }
    if (!written) {
        Log::Warning(logPrefix_.c_str(), "Unable to create or update shared state for %s with version %d.",
                     owner, writtenVersion);
        return;
    }
    DispatchStateChange(owner);
}

void EventHubInner::ClearSharedStates(const std::shared_ptr<Module>& module) {
    const std::string owner = OwnerName(module);
    {
        MutexLock lock(mutex_);
        sharedStates_.Clear(owner);
    }
    DispatchStateChange(owner);
}

void EventHubInner::DispatchStateChange(const std::string& owner) {
    auto data = std::make_shared<EventData>();
    data->PutString(SHARED_STATE_OWNER_KEY, owner);
    Dispatch(EventBuilder(STATE_CHANGE, EventType::HUB, EventSource::SHARED_STATE).SetData(data).Build());
}

std::shared_ptr<EventData> EventHubInner::GetSharedEventState(const std::string& stateName,
                                                              const std::shared_ptr<Event>& event,
                                                              const std::shared_ptr<Module>& callingModule) {
    const int32_t version = (event ? event : Event::SHARED_STATE_NEWEST)->GetEventNumber();
    const std::string owner = StringUtils::ToLower(stateName);
    const std::string reader = callingModule ? CallModuleGetSharedStateName(callingModule) : std::string();
    bool circular = false;
    std::shared_ptr<EventData> state;
    {
        MutexLock lock(mutex_);
        if (callingModule) {
            circular = sharedStates_.NoteReadAndCheckCircular(reader, stateName);
        }
        state = sharedStates_.Read(owner, version);
    }
    if (circular) {
        Log::Error(logPrefix_.c_str(),
                   "Circular shared-state dependency between %s and %s, you may have a live-lock.", reader,
                   stateName);
    }
    return state;
}

bool EventHubInner::HasSharedEventState(const std::string& stateName) {
    const std::string owner = StringUtils::ToLower(stateName);
    MutexLock lock(mutex_);
    return sharedStates_.Has(owner);
}

void EventHubInner::OnModuleUnregistered(const std::shared_ptr<Module>& module) {
    bool disposing;
    {
        MutexLock lock(mutex_);
        if (state_ >= DISPOSING_EXECUTORS) {
            return;
        }
        disposing = state_ >= UNREGISTERING_MODULES;
        auto modules = std::make_shared<ModuleList>(*modules_);
        modules->erase(std::remove(modules->begin(), modules->end(), module), modules->end());
        modules_ = std::move(modules);
    }
    // A module that leaves alone says what it dropped itself; a disposal counts for all of them.
    const int64_t dropped = disposing ? 0 : CallModuleDroppedTaskCount(module);
    if (dropped > 0) {
        Log::Warning(logPrefix_.c_str(), "%s unregistered and dropped %s tasks it had not yet run.",
                     NameOf(module), static_cast<long long>(dropped));
    }
    // Outside the hub mutex: the rules engine may read shared states while it holds its own lock.
    UnregisterAllRules(module);
    QueueDisposalCheck();
}

void EventHubInner::QueueDisposalCheck() {
    auto self = Self();
    hubExecutor_->AddTask([self] {
        RunningTaskMark mark(self.get());
        MutexLock lock(self->mutex_);
        if (self->CompleteDisposalIfNeeded()) {
            lock.Unlock();
            self->ReportDroppedWork();
        }
    });
}

bool EventHubInner::Dispose() { return Dispose(DEFAULT_DISPOSE_TIMEOUT); }

bool EventHubInner::Dispose(std::chrono::milliseconds timeout) {
    // Inside one of the hub's own tasks, that task can never end while we wait: only start (a caller that
    // asked for no wait is told nothing).
    if (RunningTaskMark::IsRunningTaskOf(this) && timeout > std::chrono::milliseconds(0)) {
        Log::Warning(logPrefix_.c_str(),
                     "Dispose called from one of the hub's own tasks: disposal started, not waited for");
        timeout = std::chrono::milliseconds(0);
    }
    const auto deadline = DisposeDeadline(timeout);
    // Half the time at most: a task that waits for the outside world (an offline download, a slow request)
    // ends only once its module unregisters, which needs time of its own. What is then dropped is reported
    // in one line as the disposal ends.
    const bool drained = state_ < UNREGISTERING_MODULES && Drain(DisposeDeadline(timeout / 2));
    if (state_ < UNREGISTERING_MODULES && !drained && timeout > std::chrono::milliseconds(0)) {
        Log::Debug(logPrefix_.c_str(),
                   "The work of events dispatched before Dispose did not end in time; unregistering anyway");
    }
    MutexLock lock(mutex_);
    if (state_ < UNREGISTERING_MODULES) {
        SetState(UNREGISTERING_MODULES);
        const auto modules = modules_;
        disposedModules_ = modules;
        drainEnded_ = drained;
        lock.Unlock();
        for (const auto& module : *modules) {
            TrySwallow([&module] { CallModuleUnregisterModule(module); });
        }
        lock.Lock();
    }
    while (!CompleteDisposalIfNeeded()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            // A caller that asked for no wait only started the disposal: each module aborts its own
            // requests as it unregisters, once its hit queues were stopped.
            if (timeout > std::chrono::milliseconds(0)) {
                const auto modules = modules_;
                lock.Unlock();
                AbortRequestsOf(*modules);
            }
            return false;
        }
        const auto interval = state_ == DISPOSING_EXECUTORS ? EXECUTOR_CHECK_INTERVAL : MODULE_CHECK_INTERVAL;
        lock.WaitUntil(stateCondition_, std::min(now + interval, deadline));
    }
    lock.Unlock();
    ReportDroppedWork();
    return true;
}

bool EventHubInner::DroppedWorkAtDisposal() {
    MutexLock lock(reportMutex_);
    return reportedDroppedWork_;
}

std::string EventHubInner::DescribeDroppedWork() {
    std::shared_ptr<const ModuleList> modules;
    bool drainEnded;
    {
        MutexLock lock(mutex_);
        modules = disposedModules_;
        drainEnded = drainEnded_;
    }
    std::string described;
    const auto add = [&described](int64_t count, const std::string& what) {
        if (count > 0) {
            described += (described.empty() ? "" : ", ") + std::to_string(count) + " " + what;
        }
    };
    // All that was dispatched before ran: what the unregistration drops then are the late answers of the
    // requests it cuts short, whose hits stay stored. Requests a module held waiting are lost either way.
    if (!drainEnded) {
        MutexLock lock(passMutex_);
        add(droppedEvents_, "events");
    }
    for (const auto& module : modules ? *modules : ModuleList()) {
        if (!drainEnded) {
            add(CallModuleDroppedTaskCount(module), "tasks of " + NameOf(module));
        }
        add(CallModuleDroppedWaitingRequestCount(module), "events waiting in " + NameOf(module));
    }
    return described;
}

void EventHubInner::ReportDroppedWork() {
    MutexLock lock(reportMutex_);
    if (std::exchange(droppedWorkReported_, true)) {
        return;
    }
    const std::string dropped = DescribeDroppedWork();
    reportedDroppedWork_ = !dropped.empty();
    if (reportedDroppedWork_) {
        Log::Warning(logPrefix_.c_str(), "Dispose dropped work dispatched before it and not yet done: %s.",
                     dropped);
    }
}

// Time is up, and what is still under way must not wait for a server after Dispose returns. Each module
// stops its hit queues before its requests are aborted, whatever task it is in, so the hits keep their rows.
void EventHubInner::AbortRequestsOf(const ModuleList& modules) {
    for (const auto& module : modules) {
        TrySwallow([&module] { CallModuleAbortRequests(module); });
    }
}

bool EventHubInner::Drain(std::chrono::steady_clock::time_point deadline) {
    {
        MutexLock lock(passMutex_);
        draining_ = true;
    }
    for (auto now = std::chrono::steady_clock::now(); !IsDrained(); now = std::chrono::steady_clock::now()) {
        if (now >= deadline) {
            return false;
        }
        // Module tasks do not report their end to the hub, so it looks often.
        MutexLock lock(passMutex_);
        lock.WaitUntil(drainCondition_, std::min(now + DRAIN_CHECK_INTERVAL, deadline));
    }
    return true;
}

bool EventHubInner::IsDrained() {
    uint64_t queuedBefore;
    {
        MutexLock lock(passMutex_);
        if (passesInProgress_ > 0) {
            return false;
        }
        queuedBefore = passesQueued_;
    }
    std::shared_ptr<const ModuleList> modules;
    {
        MutexLock lock(mutex_);
        modules = modules_;
    }
    // A task ends only after the events it dispatched were counted, and a pass only after the tasks it
    // queued were: with no pass queued in between, all of them were seen.
    for (const auto& module : *modules) {
        if (CallModuleHasTasksInProgress(module)) {
            return false;
        }
    }
    MutexLock lock(passMutex_);
    return passesInProgress_ == 0 && passesQueued_ == queuedBefore;
}

bool EventHubInner::CompleteDisposalIfNeeded() {
    constexpr std::chrono::milliseconds noWait{0};
    if (state_ == UNREGISTERING_MODULES && modules_->empty()) {
        SetState(DISPOSING_EXECUTORS);
        idleTimer_->Cancel(noWait);
        hubExecutor_->Dispose(noWait);
        masterExecutor_->Dispose(noWait);
    }
    if (state_ == DISPOSING_EXECUTORS && idleTimer_->Cancel(noWait) && hubExecutor_->IsDisposed() &&
        masterExecutor_->IsDisposed()) {
        SetState(DISPOSED);
    }
    return state_ == DISPOSED;
}

}  // namespace NuvraMobile
