#import "platform/NVRReachability.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "services/system/Reachability.h"
#include "support/ChildProcess.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

/** What the blocks saw, in the order they ran. Thread-safe. */
class Calls {
public:
    void Add(const std::string& call) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
        }
        count_.Raise();
    }
    std::vector<std::string> Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    bool WaitFor(int count) const { return count_.WaitFor(count); }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    SignalCounter count_;
};

class NVRReachabilityTest : public testing::Test {
protected:
    void SetUp() override { Reachability::SetStatusForTesting(Reachability::Status::REACHABLE); }
    void TearDown() override { Reachability::ClearStatusForTesting(); }
};

TEST_F(NVRReachabilityTest, ReportsTheStatus) {
    NVRReachability* reachability = [NVRReachability reachabilityForInternetConnection];
    EXPECT_EQ([reachability reachabilityStatus], NVRReachabilityStatusReachable);
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    EXPECT_EQ([reachability reachabilityStatus], NVRReachabilityStatusNotReachable);
}

TEST_F(NVRReachabilityTest, BlocksRunOnceInOrderAtTheNextChange) {
    Calls calls;
    Calls* record = &calls;
    NVRReachability* reachability = [NVRReachability reachabilityForInternetConnection];
    ASSERT_TRUE([reachability setCallback:^{ record->Add("first"); }]);
    ASSERT_TRUE([reachability setCallback:^{ record->Add("second"); }]);

    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    ASSERT_TRUE(calls.WaitFor(2));
    ASSERT_TRUE([reachability setCallback:^{ record->Add("third"); }]);
    EXPECT_EQ(calls.Get(), (std::vector<std::string>{"first", "second"}));

    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    ASSERT_TRUE(calls.WaitFor(3));
    EXPECT_EQ(calls.Get(), (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(NVRReachabilityTest, AQueuedBlockOutlivesThePoolOfWhatItCaptured) {
    Calls calls;
    Calls* record = &calls;
    NVRReachability* reachability = [NVRReachability reachabilityForInternetConnection];
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSString* name = [NSString stringWithFormat:@"captured-%d", 7];
    ASSERT_TRUE([reachability setCallback:^{ record->Add([name UTF8String]); }]);
    [pool drain];

    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    ASSERT_TRUE(calls.WaitFor(1));
    EXPECT_EQ(calls.Get(), std::vector<std::string>{"captured-7"});
}

TEST_F(NVRReachabilityTest, SendingCallbackDeliversOnTheSendingThread) {
    Calls calls;
    Calls* record = &calls;
    NVRReachability* reachability = [NVRReachability reachabilityForInternetConnection];
    ASSERT_TRUE([reachability setCallback:^{ record->Add("direct"); }]);
    [reachability callback];
    EXPECT_EQ(calls.Get(), std::vector<std::string>{"direct"});
    [reachability callback];
    EXPECT_EQ(calls.Get().size(), 1u);
}

TEST_F(NVRReachabilityTest, ANilBlockIsRefused) {
    EXPECT_FALSE([[NVRReachability reachabilityForInternetConnection] setCallback:nil]);
}

// The change watch starts with the process's first registration, so the failure is made in a process of
// its own: with no file descriptor left, the watch cannot start. The sanitizers' runtimes need
// descriptors of their own for their checks, so they cannot run this one.
TEST(NVRReachabilityRegistrationTest, AFailedRegistrationLeavesTheObserverReadyToRegisterAgain) {
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "the sanitizer runtime needs free file descriptors";
#endif
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    Calls calls;
    Calls* record = &calls;
    NVRReachability* reachability = [NVRReachability reachabilityForInternetConnection];
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    // dup gives the lowest free descriptor: with the limit there, every allowed one is taken.
    const rlimit exhausted{static_cast<rlim_t>(dup(0)), limit.rlim_max};
    close(static_cast<int>(exhausted.rlim_cur));
    setrlimit(RLIMIT_NOFILE, &exhausted);
    const bool refused = [reachability setCallback:^{ record->Add("lost"); }] == NO;
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_TRUE(refused);
    EXPECT_TRUE([reachability setCallback:^{ record->Add("kept"); }]);
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    EXPECT_TRUE(calls.WaitFor(1));
    EXPECT_EQ(calls.Get(), std::vector<std::string>{"kept"});
    [pool drain];
}

}  // namespace
}  // namespace NuvraMobile
