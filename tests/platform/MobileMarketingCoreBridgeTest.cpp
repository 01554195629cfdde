#include "platform/MobileMarketingCoreBridge.h"

#include <gmock/gmock.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "PlatformTestSupport.h"
#include "core/values/SdkError.h"
#include "services/storage/AppInfo.h"
#include "services/storage/KeyValueStore.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/ChildProcess.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

class MobileMarketingCoreBridgeTest : public testing::Test {
protected:
    void TearDown() override { MobileMarketingCoreBridge::SetStartUpForTesting(nullptr, nullptr); }

    ScratchApp app_;
};

TEST_F(MobileMarketingCoreBridgeTest, EveryCallGetsTheSameCoreUntilAReset) {
    const auto first = MobileMarketingCoreBridge::GetInstance2();
    EXPECT_EQ(MobileMarketingCoreBridge::GetInstance2(), first);
    EXPECT_EQ(MobileMarketingCoreBridge::GetInstance(), first.get());
    ASSERT_NE(first->GetCore(), nullptr);
    EXPECT_NE(first->GetPlatformServices(), nullptr);
    EXPECT_NE(Log::GetLoggingService(), nullptr);

    MobileMarketingCoreBridge::ResetInstance();
    const auto second = MobileMarketingCoreBridge::GetInstance2();

    EXPECT_NE(second, first);
    EXPECT_NE(second->GetCore(), first->GetCore());
    EXPECT_NE(second->GetCore()->GetEventHub(), first->GetCore()->GetEventHub());
}

TEST_F(MobileMarketingCoreBridgeTest, EachStartMigratesThePreviousGenerationsData) {
    const auto defaults = AppInfo::GetUserDefaults();
    const auto lifecycle = CreateNativeLocalStorageService()->GetDataStore("NuvraMobile_Lifecycle");
    defaults->Put("PZCK1", KeyValueStore::Value{std::int64_t{100}});
    MobileMarketingCoreBridge::GetInstance2();
    EXPECT_EQ(lifecycle->GetLong("InstallDate", 0), 100);
    EXPECT_FALSE(defaults->Get("PZCK1").has_value());

    defaults->Put("PZCK1", KeyValueStore::Value{std::int64_t{200}});
    MobileMarketingCoreBridge::GetInstance2();
    EXPECT_EQ(lifecycle->GetLong("InstallDate", 0), 100);  // no start, no migration

    MobileMarketingCoreBridge::ResetInstance();
    MobileMarketingCoreBridge::GetInstance2();
    EXPECT_EQ(lifecycle->GetLong("InstallDate", 0), 200);
}

TEST_F(MobileMarketingCoreBridgeTest, AFailedStartLeavesNothingAndTheNextCallStartsAgain) {
    std::atomic<int> migrations{0};
    std::atomic<bool> failNext{true};
    MobileMarketingCoreBridge::SetStartUpForTesting(
        [&]() -> std::shared_ptr<SharedPlatformServicesInterface> {
            if (failNext.exchange(false)) {
                Throw(SdkError("platform_services.missing_service", "no services", CurrentDebugInfo()));
            }
            return MobileMarketingCoreBridge::CreateNativeSharedPlatformServices();
        },
        [&] { ++migrations; });

    EXPECT_THROW(MobileMarketingCoreBridge::GetInstance2(), SdkError);
    EXPECT_EQ(migrations, 0);

    const auto bridge = MobileMarketingCoreBridge::GetInstance2();
    EXPECT_NE(bridge->GetCore(), nullptr);
    EXPECT_EQ(migrations, 1);
}

/** Registered before the SDK's exit handler, so that it runs after it: a call the app makes during exit. */
void CallDuringExit() {
    constexpr int startedAgain = 3;
    constexpr int refused = 0;
    try {
        MobileMarketingCoreBridge::GetInstance2();
    } catch (const SdkError&) {
        _exit(refused);
    }
    _exit(startedAgain);
}

// After a reset the exit handler finds no bridge to keep in the slot; a call made after it must still fail.
TEST_F(MobileMarketingCoreBridgeTest, AfterAResetACallDuringExitStartsNoSecondSdk) {
    // The exit handler is registered once per process: the child must be the first to register it.
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    EXPECT_TRUE(RunInChildProcess([] {
        std::atexit(CallDuringExit);
        MobileMarketingCoreBridge::GetInstance2();
        MobileMarketingCoreBridge::ResetInstance();
        std::exit(0);
    })) << "a call during exit started a second SDK";
}

TEST_F(MobileMarketingCoreBridgeTest, ResettingWithoutABridgeDoesNothing) {
    MobileMarketingCoreBridge::ResetInstance();
    EXPECT_EQ(Log::GetLoggingService(), nullptr);
}

}  // namespace
}  // namespace NuvraMobile
