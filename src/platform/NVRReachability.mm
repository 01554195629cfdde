#import "platform/NVRReachability.h"

#include <memory>

#include "core/execution/AppCalls.h"
#include "platform/CopiedBlock.h"
#include "platform/ObjCRuntime.h"
#include "services/system/Reachability.h"

using namespace NuvraMobile;

struct NVRReachabilityObserver {
    std::shared_ptr<Reachability> reachability;
};

@implementation NVRReachability

+ (instancetype)reachabilityForInternetConnection {
    return [[[self alloc] init] autorelease];
}

- (instancetype)init {
    self = [super init];
    if (self != nil) {
        _observer = new NVRReachabilityObserver{Reachability::ForInternetConnection()};
    }
    return self;
}

- (void)dealloc {
    delete _observer;
    [super dealloc];
}

- (NVRReachabilityStatus)reachabilityStatus {
    switch (_observer->reachability->GetStatus()) {
        case Reachability::Status::NOT_REACHABLE:
            return NVRReachabilityStatusNotReachable;
        case Reachability::Status::REACHABLE:
            return NVRReachabilityStatusReachable;
        default:
            return NVRReachabilityStatusUnknown;
    }
}

- (BOOL)setCallback:(void (^)(void))callback {
    if (callback == nil) {
        return NO;
    }
    // The queued function holds its own copy of the block: the observer may go away before the change.
    CopiedBlock<void (^)(void)> block(callback);
    const auto callTheBlock = [block] {
        AppCalls::Run("a reachability change for the app's block",
                      [&block] { RunInObjCScope([&block] { block.Get()(); }); });
    };
    return _observer->reachability->SetCallback(callTheBlock) ? YES : NO;
}

- (void)callback {
    _observer->reachability->Callback();
}

@end
