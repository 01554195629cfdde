#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class EventSource;
class EventType;
class HitSenderInterface;
class ModuleEventDispatcherBase;
class ModuleEventListenerBase;
class ModuleEventProcessorBase;
class PlatformServicesInterface;
class Rule;
class SdkError;
class TaskExecutorInterface;

// Registration life cycle of a module; values are fixed.
enum class ModuleState : int32_t {
    CONSTRUCTED = 0,
    REGISTERED = 1,
    UNREGISTERING = 2,
    COMPLETING_NORMAL_TASKS = 3,
    WAITING_FOR_LAST_TASK = 4,
    DISPOSING_EXECUTOR = 5,
    UNREGISTERED = 6,
};

struct ModuleTaskOptions {
    // A task queued with this set still runs after UnregisterModule, while the executor accepts tasks.
    bool keepAfterUnregister = false;
};

// Base of every module: its side of the contract with the event hub. Two threads of control meet
// here. The hub side (the hub's tasks) calls Idle, ProcessEvent and the Notify operations, which
// first drain the queue of hub-side callbacks and advance a pending unregistration. The module side
// is the module's own sequential executor, on which AddTaskToQueue runs named tasks one at a time;
// listeners only queue tasks, so module state is touched from those tasks and needs no lock.
// Every public operation may be called from any thread; the module mutex guards every field and is
// never held while module code (tasks, listeners, callbacks, hooks) or the hub runs, except that
// RequestIdle is called with it held.
class Module : public Object {
public:
    using Task = std::function<void()>;
    using EventCallback = std::function<void(const std::shared_ptr<Event>&)>;

    explicit Module(std::string moduleName);
    ~Module() override;

    const std::string& GetModuleName() const { return name_; }
    virtual bool IsRegistered();
    // True when this module derives from InternalModule.
    bool IsInternal() const;
    // The module's shared-state owner name, e.g. "com.nuvra.module.identity"; also the log tag of
    // its task messages.
    virtual std::string GetSharedStateName() const = 0;

    // Starts the staged unregistration; does nothing unless the module is registered.
    virtual void UnregisterModule();

    virtual void AddTaskToQueue(const std::string& taskName, const Task& task);
    virtual void AddTaskToQueue(const std::string& taskName, const Task& task,
                                const ModuleTaskOptions& options);

    virtual std::shared_ptr<PlatformServicesInterface> GetPlatformServices();
    std::shared_ptr<EventHub> GetEventHub();

    // Shared states of this module; silent no-ops (null, false) unless the module is registered.
    virtual void CreateSharedState(int32_t version, const std::shared_ptr<EventData>& data);
    virtual void UpdateSharedState(int32_t version, const std::shared_ptr<EventData>& data);
    virtual void CreateOrUpdateSharedState(int32_t version, const std::shared_ptr<EventData>& data);
    virtual void CreateOrUpdateSharedState(const std::shared_ptr<EventData>& data);
    virtual void ClearSharedStates();
    virtual std::shared_ptr<EventData> GetSharedEventState(const std::string& stateName,
                                                           const std::shared_ptr<Event>& event);
    virtual bool HasSharedEventState(const std::string& stateName);

    // Forwarded to the hub while the module holds one; they do not look at the module state.
    virtual void CreateSharedStateAndDispatchEvent(const std::shared_ptr<EventData>& data,
                                                   const std::shared_ptr<Event>& event);
    virtual void RegisterRule(const std::shared_ptr<Rule>& rule);
    virtual void UnregisterAllRules();
    virtual void ReplaceRulesSet(const std::vector<std::shared_ptr<Rule>>& rules);

    // Listeners, dispatchers and processors; silent no-ops unless the module is registered. One
    // listener per (type, source) pair: registering another replaces it.
    virtual void RegisterListener(const std::shared_ptr<ModuleEventListenerBase>& listener,
                                  const std::shared_ptr<EventType>& type,
                                  const std::shared_ptr<EventSource>& source);
    virtual void UnregisterListener(const std::shared_ptr<EventType>& type,
                                    const std::shared_ptr<EventSource>& source);
    virtual void UnregisterWildCardListener();
    virtual void RegisterDispatcher(const std::shared_ptr<ModuleEventDispatcherBase>& dispatcher);
    virtual void RegisterProcessor(const std::shared_ptr<ModuleEventProcessorBase>& processor);

    template <class T>
    void RegisterListener(const std::shared_ptr<EventType>& type,
                          const std::shared_ptr<EventSource>& source) {
        RegisterListener(std::make_shared<T>(), type, source);
    }
    template <class T>
    void RegisterWildCardListener() {
        RegisterWildCardListener(std::make_shared<T>());
    }
    // Returns the dispatcher also when the module was not registered; it then dispatches nothing.
    template <class T>
    std::shared_ptr<T> CreateDispatcher() {
        auto dispatcher = std::make_shared<T>();
        RegisterDispatcher(dispatcher);
        return dispatcher;
    }

    // One-time listeners are registered with the hub; this only logs an error.
    virtual void RegisterOneTimeListenerBlock(const std::shared_ptr<EventType>& type,
                                              const std::shared_ptr<EventSource>& source,
                                              const std::string& pairId, const EventCallback& callback);

protected:
    // Runs once on the hub side after registration; register listeners and dispatchers here.
    virtual void OnRegistered();
    // Runs once during unregistration, when no normal task of the module is running; the listeners'
    // OnUnregistered have run before, also only once no normal task was running.
    virtual void OnUnregistered();
    /**
     * The requests dispatched to this module that it still holds unhandled, waiting for shared states that
     * never came; read once as it unregisters, when no normal task runs or will run, and counted with what
     * the disposal dropped. The module's own work it holds is not counted. None in the base.
     */
    virtual std::size_t CountRequestsLeftWaiting();
    // Whether errors escaping this module's listeners and processors go to HandleUnexpectedError
    // (modules that wrap an extension); false in the base.
    virtual bool ForwardsUnexpectedErrors() const;
    virtual void HandleUnexpectedError(const SdkError& error);
    /**
     * Has `sender` stopped before any abort of this module's requests, whatever the module is doing then:
     * as it unregisters, and when the hub's Dispose runs out of time first. A sender added once the
     * requests were aborted is stopped at once. Held weakly; any thread.
     */
    void StopBeforeAbort(const std::shared_ptr<HitSenderInterface>& sender) NVR_EXCLUDES(mutex_);

private:
    friend class EventHub;
    using ListenerKey = std::pair<const EventType*, const EventSource*>;
    using Callback = std::function<void()>;

    // Called only by the hub, through EventHub's static members.
    virtual void OnEventHubRegisteredModule(
        const std::shared_ptr<EventHub>& hub,
        const std::shared_ptr<PlatformServicesInterface>& platformServices,
        const std::shared_ptr<TaskExecutorInterface>& executor);
    virtual void Idle();
    virtual bool ProcessEvent(const std::shared_ptr<Event>& event, std::shared_ptr<Event>& replacement);
    virtual void NotifyListeners(const std::shared_ptr<Event>& event);
    virtual void NotifyWildCardListener(const std::shared_ptr<Event>& event);

    /**
     * True while a task of this module is queued or running. The hub reads it, with its own count of
     * event passes, to tell when the work that earlier events caused has ended.
     */
    bool HasTasksInProgress();
    /** The normal tasks queued before the module began to unregister and dropped then, not run. */
    int64_t DroppedTaskCount();
    /** The requests the module still held unhandled as it unregistered (CountRequestsLeftWaiting). */
    int64_t DroppedWaitingRequestCount();

    void RegisterWildCardListener(const std::shared_ptr<ModuleEventListenerBase>& listener);
    std::shared_ptr<Module> Self();
    void EnqueueCallback(Callback callback) NVR_REQUIRES(mutex_);
    /**
     * Runs the queued callbacks and goes on with an unregistration under way. Returns true, holding the
     * mutex, while the module is registered (or not yet): the caller reads its listeners or processors
     * under the same lock that found the queue empty, so nothing is heard before its registration hook.
     */
    bool DoCommonEventHubThreadWork() NVR_TRY_ACQUIRE(true, mutex_);
    void NotifyListenerFor(const ListenerKey& key, const std::shared_ptr<Event>& event);
    void RunGuarded(const char* errorFormat, const std::function<void()>& action);
    // Queues the task, or returns the warning format that says why it was dropped; a task queued once the
    // module is unregistering is dropped without a word.
    const char* QueueTask(const std::string& taskName, const Task& task, const ModuleTaskOptions& options);
    void RunTask(const Task& task, bool normalTask);
    void EndTaskInProgress();
    bool StartNormalTask();
    void EndNormalTask();
    void RunLastTask();
    /**
     * Stops the module's hit senders, then cuts short every request of the module's own network service
     * and refuses later ones, so that nothing of the module waits for a server any more. Runs after
     * OnUnregistered, or from the hub's thread when its Dispose has run out of time, while a task of the
     * module may still run; idempotent.
     */
    void AbortRequests() NVR_EXCLUDES(mutex_);
    void CompleteUnregistrationIfNeeded();
    void CompleteUnregistrationIfNeeded_UNREGISTERING();
    void CompleteUnregistrationIfNeeded_COMPLETING_NORMAL_TASKS();
    void CompleteUnregistrationIfNeeded_DISPOSING_EXECUTOR();
    std::shared_ptr<EventHub> GetHubIfRegistered();

    Mutex mutex_;
    const std::string name_;
    ModuleState state_ NVR_GUARDED_BY(mutex_) = ModuleState::CONSTRUCTED;
    std::shared_ptr<EventHub> eventHub_ NVR_GUARDED_BY(mutex_);
    std::vector<std::shared_ptr<ModuleEventDispatcherBase>> dispatchers_ NVR_GUARDED_BY(mutex_);
    std::vector<std::shared_ptr<ModuleEventProcessorBase>> processors_ NVR_GUARDED_BY(mutex_);
    std::map<ListenerKey, std::shared_ptr<ModuleEventListenerBase>> listeners_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<PlatformServicesInterface> platformServices_ NVR_GUARDED_BY(mutex_);
    std::deque<Callback> callbacks_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<TaskExecutorInterface> taskExecutor_ NVR_GUARDED_BY(mutex_);
    bool normalTaskRunning_ NVR_GUARDED_BY(mutex_) = false;
    /** Tasks given to the executor that have not yet ended (run, or been dropped before they ran). */
    int32_t tasksInProgress_ NVR_GUARDED_BY(mutex_) = 0;
    int64_t droppedTasks_ NVR_GUARDED_BY(mutex_) = 0;
    int64_t droppedWaitingRequests_ NVR_GUARDED_BY(mutex_) = 0;
    std::vector<std::weak_ptr<HitSenderInterface>> hitSenders_ NVR_GUARDED_BY(mutex_);
    /** Set by the first AbortRequests: from then on every sender is stopped as it is added. */
    bool sendingStopped_ NVR_GUARDED_BY(mutex_) = false;
};

}  // namespace NuvraMobile
