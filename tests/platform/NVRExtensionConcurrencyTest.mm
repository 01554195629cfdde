// An app's extension used from several threads while it unregisters.

#import "platform/NVRCore.h"
#import "platform/NVRExtension.h"
#import "platform/NVRExtensionApi.h"
#import "platform/NVRExtensionEvent.h"
#import "platform/NVRExtensionListener.h"

#include <gmock/gmock.h>

#include <atomic>
#include <thread>
#include <vector>

#include "PlatformTestSupport.h"
#include "core/hub/EventHub.h"
#include "platform/MobileMarketingCoreBridge.h"
#include "platform/ObjCRuntime.h"
#include "support/ThreadSignals.h"

namespace {

NuvraMobile::Gate* registered = nullptr;
// Written before the gate opens and read after it, so the gate orders the two.
NVRExtension* busyExtension = nil;

}  // namespace

/** Reads its extension's state on every event it hears. */
@interface ReadingListener : NVRExtensionListener
@end

@implementation ReadingListener
- (void)hear:(NVRExtensionEvent*)event {
    [[[self extension] api] getSharedEventState:@"com.test.busy" event:event error:NULL];
}
@end

@interface BusyExtension : NVRExtension
@end

@implementation BusyExtension
- (instancetype)init {
    self = [super init];
    [[self api] registerWildcardListener:[ReadingListener class] error:NULL];
    busyExtension = self;
    registered->Open();
    return self;
}

- (NSString*)name {
    return @"com.test.busy";
}
@end

namespace NuvraMobile {
namespace {

TEST(NVRExtensionConcurrencyTest, CallsRacingUnregistrationSucceedOrAnswerCode0) {
    ScratchApp app;
    Gate extensionRegistered;
    registered = &extensionRegistered;
    const auto core = MobileMarketingCoreBridge::GetInstance2()->GetCore();
    Gate started;
    core->GetEventHub()->FinishModulesRegistration([&started] { started.Open(); });
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE([NVRCore registerExtension:[BusyExtension class] error:NULL]);
    ASSERT_TRUE(extensionRegistered.Wait());
    NVRExtensionApi* api = [[busyExtension api] retain];

    constexpr int THREADS = 4;
    constexpr int CALLS = 100;
    std::atomic<int> unexpected{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < THREADS; ++thread) {
        threads.emplace_back([&, thread] {
            RunInObjCScope([&] {
                for (int call = 0; call < CALLS; ++call) {
                    NSDictionary* state = [NSDictionary dictionaryWithObject:[NSNumber numberWithInt:call]
                                                                      forKey:@"call"];
                    NSError* error = nil;
                    if (![api setSharedEventState:state event:nil error:&error] &&
                        [error code] != NVRExtensionErrorUnknown) {
                        ++unexpected;
                    }
                    error = nil;
                    if ([api getSharedEventState:@"com.test.busy" event:nil error:&error] == nil &&
                        error != nil && [error code] != NVRExtensionErrorUnknown) {
                        ++unexpected;
                    }
                    NVRExtensionEvent* event = [NVRExtensionEvent extensionEventWithName:@"busy"
                                                                                    type:@"com.test.busy"
                                                                                  source:@"com.test.source"
                                                                                    data:state
                                                                                   error:NULL];
                    [NVRCore dispatchEvent:event error:NULL];
                    if (thread == 0 && call == CALLS / 2) {
                        [api unregisterExtension];
                    }
                }
            });
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(unexpected, 0);
    NSError* error = nil;
    EXPECT_FALSE([api clearSharedEventStates:&error]);
    EXPECT_EQ([error code], NVRExtensionErrorUnknown);
    EXPECT_TRUE(WaitUntil([&core] { return !core->GetEventHub()->IsRegisteredModule("com.test.busy"); }));
    [api release];
    EXPECT_TRUE(core->Dispose(SIGNAL_TIMEOUT));
    busyExtension = nil;
    registered = nullptr;
}

}  // namespace
}  // namespace NuvraMobile
