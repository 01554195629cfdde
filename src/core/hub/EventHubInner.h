#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/hub/EventHub.h"
#include "core/hub/SharedStateStore.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class ModuleEventListenerBase;
class ParallelModulePass;
class RulesEngineInterface;
class TaskExecutorInterface;
class Timer;

/**
 * The event hub itself. Every dispatched event is queued on the sequential executor "event_hub" and
 * handled completely, one at a time, in dispatch order: numbered, passed through the rules engine,
 * offered to the module processors, delivered to every module's listeners in parallel on "master",
 * and handed to the one-time listeners waiting for its pair id. It also owns module registration,
 * the idle heartbeat, the modules' versioned shared states and the staged disposal.
 *
 * Dispose first drains: from the call on, events dispatched from outside the hub's and modules' own work
 * are dropped, while the events already dispatched, the tasks they queue on the modules and the events
 * those tasks dispatch in turn run to their end, within half the caller's timeout. Only then do the
 * modules unregister; what the drain did not reach is dropped then, counted with the requests the modules
 * still hold waiting for shared states, and reported in one warning line as the disposal ends. Called from one of the hub's own tasks (a pass, a listener or idle action on
 * "master", a one-time listener, the start callback) or from a module's task, Dispose only starts the
 * disposal and returns false at once, since waiting there could never end; the disposal then completes as
 * the modules finish unregistering.
 *
 * Every operation may be called from any thread. The hub mutex is held only for short sections and
 * never while rules, processors, listeners or module code run, except that RegisterModule calls the
 * module's registration hook under it. Modules, dispatchers and the rules engine hold this object;
 * the core holds it through EventHubOuter, whose destructor disposes it.
 */
class EventHubInner : public EventHub {
public:
    /** Hub states; they only move forward. */
    enum State : int32_t {
        REGISTERING = 0,
        REGISTRATION_FINISHED = 1,
        BOOTED = 2,
        UNREGISTERING_MODULES = 3,
        DISPOSING_EXECUTORS = 4,
        DISPOSED = 5,
    };

    /**
     * Throws SdkError "general.invalid_argument" when the factory is empty or returns no services.
     * Call Init once the hub is owned by a shared pointer.
     */
    EventHubInner(const std::string& name, const PlatformServicesFactory& platformServicesFactory);
    ~EventHubInner() override;

    /**
     * Creates the rules engine and starts the idle heartbeat, a turn every `idlePeriod` (none at once: a
     * hub without modules has nothing to do in it, and registration and start request their own turns).
     */
    void Init(std::chrono::milliseconds idlePeriod, const RulesEngineFactory& rulesEngineFactory);

    State GetState() const;
    /** True once Dispose has begun: from then on only the hub's and modules' own work may dispatch. */
    bool IsDraining();

    void FinishModulesRegistration(const std::function<void()>& callback) override;
    void Dispatch(const std::shared_ptr<Event>& event) override;
    bool IsRegisteredModule(const std::string& moduleName) override;
    bool Dispose() override;
    bool Dispose(std::chrono::milliseconds timeout) override;
    bool DroppedWorkAtDisposal() override NVR_EXCLUDES(reportMutex_);
    void RegisterModule(const std::shared_ptr<Module>& module) override;
    void RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) override;
    void UnregisterAllRules(const std::shared_ptr<Module>& module) override;
    void OnModuleUnregistered(const std::shared_ptr<Module>& module) override;
    void RegisterOneTimeListener(std::size_t typeHash, const std::shared_ptr<EventType>& type,
                                 const std::shared_ptr<EventSource>& source, const std::string& pairId,
                                 const EventCallback& callback) override;
    void CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                           const std::shared_ptr<EventData>& data) override;
    void UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                           const std::shared_ptr<EventData>& data) override;
    void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                   const std::shared_ptr<EventData>& data) override;
    void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                   const std::shared_ptr<EventData>& data) override;
    void ClearSharedStates(const std::shared_ptr<Module>& module) override;
    std::shared_ptr<EventData> GetSharedEventState(const std::string& stateName,
                                                   const std::shared_ptr<Event>& event,
                                                   const std::shared_ptr<Module>& callingModule) override;
    bool HasSharedEventState(const std::string& stateName) override;
    void RequestIdle() override;
    void CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                           const std::shared_ptr<EventData>& data,
                                           const std::shared_ptr<Event>& event) override;
    void ReplaceRulesSet(const std::shared_ptr<Module>& module,
                         std::vector<std::shared_ptr<Rule>> rules) override;

private:
    using ModuleList = std::vector<std::shared_ptr<Module>>;
    using OneTimeListeners = std::vector<std::shared_ptr<ModuleEventListenerBase>>;

    /** The engine that rule changes go to; throws when the hub was made without one. */
    RulesEngineInterface& RequireRulesEngine() const;

    /** A shared state to create at the number of the event that carries it. */
    struct AttachedState {
        std::shared_ptr<Module> owner;
        std::shared_ptr<EventData> data;
    };

    /** One queued event pass, which ends once: when it has run, or unrun when the executor lets go of it. */
    class EventPass;

    std::shared_ptr<EventHubInner> Self() const;
    void SetState(State state) NVR_REQUIRES(mutex_);
    void QueueEventPass(const std::shared_ptr<Event>& event, AttachedState attachedState);
    bool IsRegisteredModuleLocked(const std::string& moduleName) const NVR_REQUIRES(mutex_);

    /** False when the disposal had begun, and the event is dropped unhandled. */
    bool DoEvent(std::shared_ptr<Event> event, const AttachedState& attachedState);
    void DoIdle();
    void NoteTimestamp(const Event& event);
    void NumberEvent(const std::shared_ptr<Event>& event);
    void SendBootedEvent(const std::shared_ptr<const ModuleList>& modules);
    std::shared_ptr<Event> RunProcessingStep(std::shared_ptr<Event> event, const ModuleList& modules);
    /**
     * Runs the rules and dispatches their consequences; returns when it ended. Rules that attach data
     * replace `event` by the hub's own copy.
     */
    std::chrono::steady_clock::time_point DispatchConsequences(std::shared_ptr<Event>& event);
    void RunListenerStep(const std::shared_ptr<Event>& event,
                         const std::shared_ptr<const ModuleList>& modules);

    std::string OwnerName(const std::shared_ptr<Module>& module) const;
    void WriteSharedState(const std::shared_ptr<Module>& module, const int32_t* version,
                          const std::shared_ptr<EventData>& publishedData, bool create, bool update);
    void DispatchStateChange(const std::string& owner);

    /** Lets the work of events dispatched before now end, until `deadline`; false when it did not. */
    bool Drain(std::chrono::steady_clock::time_point deadline);
    static void AbortRequestsOf(const ModuleList& modules);
    bool IsDrained();
    /** Counts a pass that ended with its event `dropped` unhandled among what the disposal dropped. */
    void EndEventPass(bool dropped) NVR_EXCLUDES(passMutex_);

    bool CompleteDisposalIfNeeded() NVR_REQUIRES(mutex_);
    /**
     * What the disposal dropped, as "N events, N tasks of <module>, N events waiting in <module>"; empty when
     * nothing.
     */
    std::string DescribeDroppedWork();
    /** The one line on what the disposal dropped, once it has ended; at most once. */
    void ReportDroppedWork() NVR_EXCLUDES(reportMutex_);
    void QueueDisposalCheck();

    mutable Mutex mutex_;
    /** Written under the mutex; read without it only where a stale value is checked again later. */
    std::atomic<int32_t> state_{REGISTERING};
    std::condition_variable stateCondition_;
    const std::string logPrefix_;
    /** Replaced, never changed, so that a pass can keep the list it started with. */
    std::shared_ptr<const ModuleList> modules_ NVR_GUARDED_BY(mutex_);
    /** The modules the disposal unregisters, kept to count the tasks each of them dropped. */
    std::shared_ptr<const ModuleList> disposedModules_ NVR_GUARDED_BY(mutex_);
    /** Whether everything dispatched before the disposal had run when the modules began to unregister. */
    bool drainEnded_ NVR_GUARDED_BY(mutex_) = false;
    /** Held while the report is made: a Dispose that finds it made returns only once it is written. */
    Mutex reportMutex_;
    bool droppedWorkReported_ NVR_GUARDED_BY(reportMutex_) = false;
    /** Whether the report named dropped work: the answer stays the line's, whatever is counted later. */
    bool reportedDroppedWork_ NVR_GUARDED_BY(reportMutex_) = false;
    int32_t eventCounter_ NVR_GUARDED_BY(mutex_) = 0;
    const PlatformServicesFactory platformServicesFactory_;
    std::shared_ptr<TaskExecutorInterface> masterExecutor_;
    std::shared_ptr<TaskExecutorInterface> hubExecutor_;
    /** Touched only by passes on the hub executor, which run one at a time. */
    int64_t lastEventTimestamp_ = 0;
    SharedStateStore sharedStates_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<Timer> idleTimer_;
    /** Runs the listener and idle passes on "master", watched from the idle timer's thread. */
    std::shared_ptr<ParallelModulePass> modulePass_;
    std::shared_ptr<RulesEngineInterface> rulesEngine_;
    std::weak_ptr<EventHubInner> self_;

    /** Kept apart from the hub mutex: dispatching takes it, also from code that holds a module's mutex. */
    Mutex passMutex_;
    /** From Dispose on, only the hub's and modules' own work may dispatch. */
    bool draining_ NVR_GUARDED_BY(passMutex_) = false;
    /** Event passes queued and not yet ended. */
    int32_t passesInProgress_ NVR_GUARDED_BY(passMutex_) = 0;
    /** Passes ever queued: a drain check that saw it change saw a moving picture and looks again. */
    uint64_t passesQueued_ NVR_GUARDED_BY(passMutex_) = 0;
    /** Passes accepted before the modules began to unregister that ended with their event unhandled. */
    int64_t droppedEvents_ NVR_GUARDED_BY(passMutex_) = 0;
    /** Signalled when a pass ends. */
    std::condition_variable drainCondition_;
};

}  // namespace NuvraMobile
