#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "core/values/EventSource.h"
#include "core/values/EventType.h"

namespace NuvraMobile {
namespace {

TEST(EventTypeConcurrencyTest, ConcurrentFirstLookupsOfOneNameGiveOneObject) {
    constexpr int THREADS = 8;
    std::atomic<int> ready{0};
    std::vector<const EventType*> types(THREADS);
    std::vector<const EventSource*> sources(THREADS);
    std::vector<std::thread> threads;
    for (int i = 0; i < THREADS; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready.load() < THREADS) {
            }
            // Differently cased spellings race for the first registration.
            types[i] = EventType::Get(i % 2 ? "race.Type" : "RACE.type").get();
            sources[i] = EventSource::Get(i % 2 ? "race.Source" : "RACE.source").get();
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(1u, std::set<const EventType*>(types.begin(), types.end()).size());
    EXPECT_EQ(1u, std::set<const EventSource*>(sources.begin(), sources.end()).size());
    EXPECT_EQ(EventType::Get("race.type").get(), types[0]);
}

}  // namespace
}  // namespace NuvraMobile
