#pragma once

#import <Foundation/Foundation.h>

/**
 * The app's entry to the Analytics extension: its queue of stored hits and its identifiers. Class
 * methods only, callable from any thread; each but `extensionVersion` starts the SDK when it is not
 * running. Result blocks run once, on a worker thread of the SDK, when the extension answers; a request
 * made with a nil block is still sent, and its answer is dropped.
 */
@interface NVRAnalytics : NSObject

+ (NSString*)extensionVersion;
/** Registers the Analytics extension; later calls do nothing. */
+ (void)registerExtension;

/** Deletes every stored hit. */
+ (void)clearQueue;
/** Sends the stored hits now, whatever the batch limit. */
+ (void)sendQueuedHits;
+ (void)getQueueSize:(void (^)(unsigned long queueSize))callback;
/** The block gets the analytics identifier, nil when there is none. */
+ (void)getTrackingIdentifier:(void (^)(NSString* trackingIdentifier))callback;
/** The block gets the app's own visitor identifier, nil when none is set. */
+ (void)getVisitorIdentifier:(void (^)(NSString* visitorIdentifier))callback;
/** A nil identifier is sent as the empty one. */
+ (void)setVisitorIdentifier:(NSString*)visitorIdentifier;

@end
