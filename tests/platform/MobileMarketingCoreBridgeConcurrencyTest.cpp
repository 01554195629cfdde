#include "platform/MobileMarketingCoreBridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "PlatformTestSupport.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

TEST(MobileMarketingCoreBridgeConcurrencyTest, RacingFirstCallsStartOneSystemAndMigrateOnce) {
    ScratchApp app;
    std::atomic<int> migrations{0};
    Gate migrating;
    Gate finishMigration;
    MobileMarketingCoreBridge::SetStartUpForTesting(nullptr, [&] {
        ++migrations;
        migrating.Open();
        finishMigration.Hold();
    });

    std::shared_ptr<MobileMarketingCoreBridge> first;
    std::shared_ptr<MobileMarketingCoreBridge> second;
    std::thread firstCaller([&] { first = MobileMarketingCoreBridge::GetInstance2(); });
    ASSERT_TRUE(migrating.Wait());
    std::atomic<bool> secondReturned{false};
    std::thread secondCaller([&] {
        second = MobileMarketingCoreBridge::GetInstance2();
        secondReturned = true;
    });
    // The second caller cannot have the core while the stores are still being migrated.
    EXPECT_FALSE(secondReturned);
    finishMigration.Open();
    firstCaller.join();
    secondCaller.join();

    EXPECT_EQ(first, second);
    EXPECT_EQ(migrations, 1);
    MobileMarketingCoreBridge::SetStartUpForTesting(nullptr, nullptr);
}

}  // namespace
}  // namespace NuvraMobile
