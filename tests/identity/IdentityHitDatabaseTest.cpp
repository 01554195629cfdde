// The identity hit database over a real table: what a restart does to the requests stored before it.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "identity/IdentityDatabaseHitSchema.h"
#include "identity/IdentityHitDatabase.h"
#include "identity/IdentityHitProcessor.h"
#include "support/HitQueueTestSupport.h"

namespace NuvraMobile {
namespace {

class IdentityHitDatabaseTest : public HitQueueTestFixture {
protected:
    /** A queue over the table, with a processor that has nothing to send with. */
    std::shared_ptr<IdentityHitQueue> MakeQueue() {
        return std::make_shared<IdentityHitQueue>(
            services, std::make_shared<IdentityDatabaseHitSchema>(),
            std::make_shared<IdentityHitProcessor>(nullptr, systemInfo, nullptr, nullptr));
    }

    std::shared_ptr<PlatformServicesInterface> services = MakePlatformServices();
};

// A stored request answers no event of the next process: its pair id and event number are cleared.
TEST_F(IdentityHitDatabaseTest, ARestartClearsThePairIdAndEventNumberOfStoredRequests) {
    constexpr const char* url = "https://id.example/id?d_orgid=ORG";
    {
        const auto queue = MakeQueue();
        const auto database = IdentityHitDatabase::CreateIdentityDatabase(nullptr, services, queue);
        ASSERT_NE(nullptr, database);
        // Without an opt-in the request stays stored.
        database->Queue(url, nullptr,
                        EventBuilder("sync", EventType::IDENTITY, EventSource::REQUEST_IDENTITY)
                            .SetResponsePairID("pair-1")
                            .SetEventNumber(7)
                            .Build());
        const auto stored = queue->SelectOldestHit();
        ASSERT_NE(nullptr, stored);
        EXPECT_EQ("pair-1", stored->pairId);
        EXPECT_EQ(7, stored->eventNumber);
        EXPECT_TRUE(database->Dispose(std::chrono::seconds(5)));
    }
    const auto queue = MakeQueue();
    ASSERT_NE(nullptr, IdentityHitDatabase::CreateIdentityDatabase(nullptr, services, queue));
    const auto stored = queue->SelectOldestHit();
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ(url, stored->url);
    EXPECT_EQ("", stored->pairId);
    EXPECT_EQ(-1, stored->eventNumber);
}

}  // namespace
}  // namespace NuvraMobile
