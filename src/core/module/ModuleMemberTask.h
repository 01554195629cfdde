#pragma once

#include <memory>
#include <string>
#include <utility>

namespace NuvraMobile {

class Event;

/**
 * The one way a module queues work of its own on its own queue: `body(module)` runs as the task
 * `taskName`. The task holds the module, so it may run after every other owner let go. What the body
 * throws reaches the module's task policy (a warning naming the task; the module goes on), and a task
 * queued once the module began to unregister is dropped, as every normal task. Any thread.
 */
template <class M, class Body>
void QueueMemberTask(M& module, const std::string& taskName, Body body) {
    auto self = std::static_pointer_cast<M>(module.shared_from_this());
    module.AddTaskToQueue(taskName, [self, body = std::move(body)] { body(*self); });
}

/** As above, for a member function that handles one event. */
template <class M>
void QueueMemberTask(M& module, const std::string& taskName, void (M::*handler)(const std::shared_ptr<Event>&),
                     const std::shared_ptr<Event>& event) {
    QueueMemberTask(module, taskName, [handler, event](M& self) { (self.*handler)(event); });
}

}  // namespace NuvraMobile
