#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/module/WaitingEventQueue.h"

namespace NuvraMobile {
namespace {

using Queue = WaitingEventQueue<std::string>;
using Names = std::vector<std::string>;

Queue QueueOf(const Names& names) {
    Queue queue;
    for (const auto& name : names) {
        queue.Add(name);
    }
    return queue;
}

/** Hands out entries while their state is ready, recording what it handled. */
struct ReadyHandler {
    std::set<std::string> ready;
    Names handled;

    bool operator()(const std::string& entry) {
        if (ready.count(entry) == 0) {
            return false;
        }
        handled.push_back(entry);
        return true;
    }
};

Names Drain(Queue& queue) {
    Names left;
    queue.HandleInOrder([&left](const std::string& entry) {
        left.push_back(entry);
        return true;
    });
    return left;
}

TEST(WaitingEventQueueTest, HandlesInArrivalOrderAndStopsAtTheFirstEntryStillWaiting) {
    struct Case {
        const char* name;
        std::set<std::string> ready;
        Names handled;
        Names left;
    };
    const std::vector<Case> cases = {
        {"all ready", {"a", "b", "c"}, {"a", "b", "c"}, {}},
        {"front waits", {"b", "c"}, {}, {"a", "b", "c"}},
        {"middle waits, later ready ones do not overtake", {"a", "c"}, {"a"}, {"b", "c"}},
        {"none ready", {}, {}, {"a", "b", "c"}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Queue queue = QueueOf({"a", "b", "c"});
        ReadyHandler handler{testCase.ready, {}};
        queue.HandleInOrder(std::ref(handler));
        EXPECT_EQ(handler.handled, testCase.handled);
        EXPECT_EQ(Drain(queue), testCase.left);
    }
}

TEST(WaitingEventQueueTest, ARetryAfterAStateChangeGoesOnFromTheWaitingEntry) {
    Queue queue = QueueOf({"a", "b", "c"});
    ReadyHandler handler{{"a", "c"}, {}};
    queue.HandleInOrder(std::ref(handler));
    ASSERT_EQ(handler.handled, (Names{"a"}));

    handler.ready.insert("b");
    queue.HandleInOrder(std::ref(handler));

    EXPECT_EQ(handler.handled, (Names{"a", "b", "c"}));
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(WaitingEventQueueTest, AnEntryAddedByTheHandlerGoesBehindAndIsHandledInTheSamePass) {
    Queue queue = QueueOf({"a", "b"});
    Names handled;
    queue.HandleInOrder([&](const std::string& entry) {
        if (entry == "a") {
            queue.Add("follow-up");
        }
        handled.push_back(entry);
        return true;
    });
    EXPECT_EQ(handled, (Names{"a", "b", "follow-up"}));
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(WaitingEventQueueTest, AHandlerThatClearsTheQueueEndsThePassWithoutRemovingAnythingTwice) {
    Queue queue = QueueOf({"a", "b", "c"});
    Names handled;
    queue.HandleInOrder([&](const std::string& entry) {
        handled.push_back(entry);
        queue.Clear();
        queue.Add("after-clear");
        return entry != "after-clear";
    });
    // "a" cleared the queue: only what the handler added after the clear is left, and it still waits.
    EXPECT_EQ(handled, (Names{"a", "after-clear"}));
    EXPECT_EQ(Drain(queue), (Names{"after-clear"}));
}

TEST(WaitingEventQueueTest, RemoveIfDropsWithinItsScopeAndKeepsTheRestInOrder) {
    struct Case {
        const char* name;
        Queue::Scope scope;
        Names visited;
        Names left;
    };
    const std::vector<Case> cases = {
        {"whole queue", Queue::Scope::WHOLE_QUEUE, {"x1", "k1", "x2", "k2"}, {"k1", "k2"}},
        {"behind the waiting front", Queue::Scope::BEHIND_FRONT, {"k1", "x2", "k2"}, {"x1", "k1", "k2"}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Queue queue = QueueOf({"x1", "k1", "x2", "k2"});
        Names visited;
        queue.RemoveIf(testCase.scope, [&visited](const std::string& entry) {
            visited.push_back(entry);
            return entry[0] == 'x';
        });
        EXPECT_EQ(visited, testCase.visited);
        EXPECT_EQ(Drain(queue), testCase.left);
    }
}

TEST(WaitingEventQueueTest, RemoveIfOnAnEmptyQueueOrWithOnlyAFrontVisitsNothing) {
    for (const Names& names : {Names{}, Names{"front"}}) {
        Queue queue = QueueOf(names);
        bool visited = false;
        queue.RemoveIf(Queue::Scope::BEHIND_FRONT, [&visited](const std::string&) {
            visited = true;
            return true;
        });
        EXPECT_FALSE(visited);
        EXPECT_EQ(Drain(queue), names);
    }
}

TEST(WaitingEventQueueTest, AnEntryAddedWhileRemovingStaysBehindTheKeptOnes) {
    Queue queue = QueueOf({"k1", "x", "k2"});
    queue.RemoveIf(Queue::Scope::WHOLE_QUEUE, [&queue](const std::string& entry) {
        if (entry == "x") {
            queue.Add("answer");
            return true;
        }
        return false;
    });
    EXPECT_EQ(Drain(queue), (Names{"k1", "k2", "answer"}));
}

TEST(WaitingEventQueueTest, CountIfCountsMatchingEntriesWithoutRemovingThem) {
    Queue queue = QueueOf({"track", "id", "track"});
    EXPECT_EQ(queue.CountIf([](const std::string& entry) { return entry == "track"; }), 2u);
    EXPECT_EQ(Drain(queue), (Names{"track", "id", "track"}));
}

}  // namespace
}  // namespace NuvraMobile
