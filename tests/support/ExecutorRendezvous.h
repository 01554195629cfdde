#pragma once

#include <atomic>
#include <memory>

#include "core/execution/TaskExecutorInterface.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {

/**
 * Adds one task to each executor; each waits until both have started. True when both saw the other
 * start, which only happens when the two run at the same time (one after the other, the first would
 * wait in vain until SIGNAL_TIMEOUT).
 */
inline bool RunTogether(TaskExecutorInterface& first, TaskExecutorInterface& second) {
    struct Rendezvous {
        SignalCounter started;
        SignalCounter finished;
        std::atomic<int> sawEachOther{0};
    };
    auto rendezvous = std::make_shared<Rendezvous>();
    auto task = [rendezvous] {
        rendezvous->started.Raise();
        if (rendezvous->started.WaitFor(2)) {
            ++rendezvous->sawEachOther;
        }
        rendezvous->finished.Raise();
    };
    return first.AddTask(task) && second.AddTask(task) &&
           rendezvous->finished.WaitFor(2, SIGNAL_TIMEOUT + SIGNAL_TIMEOUT) && rendezvous->sawEachOther == 2;
}

}  // namespace NuvraMobile
