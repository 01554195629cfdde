#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

namespace NuvraMobile {

class Event;

/**
 * Requests a module holds until the shared states they need exist, in arrival order.
 *
 * Contract: `HandleInOrder` hands entries to the handler from the oldest on; an entry the handler
 * reports handled (`true`) leaves the queue, the first one still waiting (`false`) stops the pass and
 * stays in front, so no later entry overtakes it. A module calls it again when a state it waits for
 * changes. `RemoveIf` is the module's policy for entries that may leave out of turn (answered, dropped):
 * over the whole queue, or only behind a waiting front. Handlers may add entries while they run (those
 * go behind); a `HandleInOrder` handler may also clear the queue. Not thread-safe: a module uses it
 * from its own queue only.
 */
template <class Entry = std::shared_ptr<Event>>
class WaitingEventQueue {
public:
    enum class Scope { WHOLE_QUEUE, BEHIND_FRONT };

    void Add(Entry entry) { entries_.push_back(std::move(entry)); }

    void Clear() { entries_.clear(); }

    bool IsEmpty() const { return entries_.empty(); }

    std::size_t Size() const { return entries_.size(); }

    template <class Handler>
    void HandleInOrder(Handler handle) {
        while (!entries_.empty()) {
            const Entry front = entries_.front();
            if (!handle(front)) {
                return;
            }
            if (!entries_.empty() && entries_.front() == front) {
                entries_.pop_front();
            }
        }
    }

    /** Removes, in order, each entry in `scope` that `remove` returns true for; the rest keep their order. */
    template <class Predicate>
    void RemoveIf(Scope scope, Predicate remove) {
        std::deque<Entry> pending;
        pending.swap(entries_);
        std::deque<Entry> kept;
        std::size_t position = 0;
        for (const Entry& entry : pending) {
            const bool outOfScope = scope == Scope::BEHIND_FRONT && position++ == 0;
            if (outOfScope || !remove(entry)) {
                kept.push_back(entry);
            }
        }
        // Entries `remove` added meanwhile stay behind the kept ones.
        for (Entry& added : entries_) {
            kept.push_back(std::move(added));
        }
        entries_ = std::move(kept);
    }

    /** Counts the entries `matches` returns true for. */
    template <class Predicate>
    std::size_t CountIf(Predicate matches) const {
        std::size_t count = 0;
        for (const Entry& entry : entries_) {
            count += matches(entry) ? 1 : 0;
        }
        return count;
    }

private:
    std::deque<Entry> entries_;
};

}  // namespace NuvraMobile
