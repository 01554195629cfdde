#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "core/values/EventBuilder.h"

namespace NuvraMobile {
namespace {

TEST(EventConcurrencyTest, ResponsePairIdsAreUniqueAcrossThreads) {
    constexpr int THREADS = 8;
    constexpr int EVENTS_PER_THREAD = 10000;
    std::vector<std::vector<std::string>> ids(THREADS);
    std::vector<std::thread> threads;
    for (int i = 0; i < THREADS; ++i) {
        threads.emplace_back([&ids, i] {
            ids[i].reserve(EVENTS_PER_THREAD);
            for (int n = 0; n < EVENTS_PER_THREAD; ++n) {
                ids[i].push_back(
                    EventBuilder("e", EventType::CUSTOM, EventSource::NONE).Build()->GetResponsePairID());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::string> unique;
    for (const auto& perThread : ids) {
        unique.insert(perThread.begin(), perThread.end());
    }
    EXPECT_EQ(static_cast<size_t>(THREADS * EVENTS_PER_THREAD), unique.size());
}

}  // namespace
}  // namespace NuvraMobile
