#import <Foundation/Foundation.h>

#include <gtest/gtest.h>

#include "ObjCTestSupport.h"
#include "core/values/SdkError.h"
#include "platform/ObjCRuntime.h"
#include "services/threading/NativeThreadingService.h"
#include "support/ThreadSignals.h"

/** Raises a counter when it is deallocated: shows when a release pool let it go. */
@interface DeallocProbe : NSObject {
    NuvraMobile::SignalCounter* _deallocations;
}
+ (instancetype)probeRaising:(NuvraMobile::SignalCounter*)deallocations;
@end

@implementation DeallocProbe
+ (instancetype)probeRaising:(NuvraMobile::SignalCounter*)deallocations {
    DeallocProbe* probe = [[[DeallocProbe alloc] init] autorelease];
    probe->_deallocations = deallocations;
    return probe;
}
- (void)dealloc {
    _deallocations->Raise();
    [super dealloc];
}
@end

namespace NuvraMobile {
namespace {

class ObjCTaskScopeTest : public testing::Test {
protected:
    std::shared_ptr<TaskExecutorInterface> executor_ =
        CreateNativeThreadingService(CreateObjCTaskScopeHook())->CreateSequentialTaskExecutor("scope test");
    SignalCounter deallocations_;

    void TearDown() override { executor_->Dispose(std::chrono::seconds(5)); }
};

TEST_F(ObjCTaskScopeTest, WhatATaskAutoreleasesGoesWhenTheTaskEnds) {
    SignalCounter* deallocations = &deallocations_;
    Gate secondTask;
    std::atomic<bool> registered{false};
    std::atomic<int> deallocatedBeforeSecondTask{-1};
    executor_->AddTask([&] {
        registered = [NSThread currentThread] != nil && ![NSThread isMainThread];
        [DeallocProbe probeRaising:deallocations];
    });
    executor_->AddTask([&] {
        deallocatedBeforeSecondTask = deallocations->Count();
        secondTask.Open();
    });
    ASSERT_TRUE(secondTask.Wait());
    EXPECT_TRUE(registered);
    EXPECT_EQ(deallocatedBeforeSecondTask, 1);
}

TEST_F(ObjCTaskScopeTest, TheErrorCallbackRunsInItsOwnPool) {
    SignalCounter* deallocations = &deallocations_;
    Gate reported;
    std::string reportedName;
    executor_->AddTask(
        [] { Throw("test.failure", "the task failed"); },
        [&](const std::string& name, SdkError&) {
            reportedName = name;
            [DeallocProbe probeRaising:deallocations];
            reported.Open();
        },
        "failing task");
    ASSERT_TRUE(reported.Wait());
    EXPECT_TRUE(deallocations_.WaitFor(1));
    EXPECT_EQ(reportedName, "failing task");
}

TEST(ObjCScopeTest, APoolIsDrainedWhenTheWorkThrowsACppException) {
    SignalCounter deallocations;
    SignalCounter* counter = &deallocations;
    EXPECT_TRUE(ThrowsCppException([counter] {
        RunInObjCScope([counter] {
            [DeallocProbe probeRaising:counter];
            throw std::runtime_error("failed");
        });
    }));
    EXPECT_EQ(deallocations.Count(), 1);
}

}  // namespace
}  // namespace NuvraMobile
