#pragma once

#import <Foundation/Foundation.h>

/** Whether the internet can be reached now. */
typedef NS_ENUM(NSInteger, NVRReachabilityStatus) {
    NVRReachabilityStatusNotReachable = 0,
    NVRReachabilityStatusReachable = 1,
    NVRReachabilityStatusUnknown = 2,
};

struct NVRReachabilityObserver;

/**
 * Watches whether the internet is reachable and calls queued blocks once, at the first reachability
 * change after they were queued, in the order they were queued, on the private serial queue
 * "NVRCoreReachability" (or on the thread that sends `callback`). Any thread may call any method.
 */
@interface NVRReachability : NSObject {
    struct NVRReachabilityObserver* _observer;
}

/** A new observer of the route to the internet. */
+ (instancetype)reachabilityForInternetConnection;

- (NVRReachabilityStatus)reachabilityStatus;

/**
 * Queues the block for the next change. NO for a nil block and when the change watch cannot be started;
 * the block is then dropped and the next call tries again.
 */
- (BOOL)setCallback:(void (^)(void))callback;

/** Delivers one notification: every queued block runs once, on the calling thread. */
- (void)callback;

@end
